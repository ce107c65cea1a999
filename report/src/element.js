// A new element, with its class and text, appended to its parent: how every
// page here builds its DOM (text as textContent only: robots print anything).
export function element(tag, className, parent, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  if (parent) parent.appendChild(e);
  return e;
}
