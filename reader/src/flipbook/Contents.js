// The contents panel: a nested list of entries that jump to their page.
export function renderContents(list, entries, onPick) {
  list.replaceChildren(...entries.map((entry) => item(entry, onPick)));
}

function item(entry, onPick) {
  const li = document.createElement("li");
  const button = document.createElement("button");
  button.type = "button";
  const title = document.createElement("span");
  title.className = "entry-title";
  title.textContent = entry.title;
  const page = document.createElement("span");
  page.className = "entry-page";
  page.textContent = String(entry.page);
  button.append(title, page);
  button.addEventListener("click", () => onPick(entry.page));
  li.append(button);
  if (entry.children.length > 0) {
    const ul = document.createElement("ul");
    ul.append(...entry.children.map((child) => item(child, onPick)));
    li.append(ul);
  }
  return li;
}
