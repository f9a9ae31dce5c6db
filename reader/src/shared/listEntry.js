// A list item holding one button of text parts, as the contents and the
// recently read books show them.

/** `parts` are [className, text] pairs; the button calls `onClick` when pressed. */
export function listEntry(parts, onClick) {
  const item = document.createElement("li");
  const button = document.createElement("button");
  button.type = "button";
  button.append(...parts.map(([className, text]) => {
    const span = document.createElement("span");
    span.className = className;
    span.textContent = text;
    return span;
  }));
  button.addEventListener("click", onClick);
  item.append(button);
  return { item, button };
}
