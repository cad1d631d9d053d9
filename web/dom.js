// Small builders for the panels' elements.

export function element(tag, properties = {}, ...children) {
  const made = Object.assign(document.createElement(tag), properties);
  made.append(...children);
  return made;
}

export function button(text, title, action) {
  const made = element('button', { type: 'button', textContent: text, title });
  made.addEventListener('click', action);
  return made;
}
