// Scrolls `container` alone, not the page, so that `element` in it is in
// view: the terminal must stay where the learner sees it (xterm.js stops
// drawing while it is scrolled out of sight).
export function reveal(container, element) {
  const box = container.getBoundingClientRect();
  const at = element.getBoundingClientRect();
  if (at.top < box.top || at.bottom > box.bottom) {
    container.scrollTop += at.top - box.top - (box.height - at.height) / 2;
  }
}
