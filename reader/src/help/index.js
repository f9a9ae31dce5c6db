// The help page shipped with the program: static text, in the session's language.
import { translateDocument } from "../shared/strings.js";

translateDocument();
