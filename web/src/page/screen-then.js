// The output as it stood at an earlier stop, shown over the terminal while
// Back has the learner there: the terminal's last screen, kept at each
// stop, so that it holds what was typed as well as what the program wrote.
// The terminal itself goes on untouched underneath.
export class ScreenThen {
  // over: the terminal's box; shown: the <pre> drawn over it.
  constructor(over, shown) {
    Object.assign(this, { over, shown });
  }

  // The terminal's screen, as far down as it has gone, without trailing blank lines.
  static keep(terminal) {
    const { active } = terminal.buffer;
    const lines = Array.from({ length: terminal.rows }, (_, row) => active.getLine(active.baseY + row)
      ?.translateToString(true) ?? '');
    return lines.join('\n').trimEnd();
  }

  // `screen` at stop `at` of `count` over the terminal; null: the terminal as it is now.
  show(screen, at, count) {
    this.shown.hidden = (screen ?? null) === null; // a stop kept without its screen, too
    if (!this.shown.hidden) {
      const { offsetTop, offsetLeft, offsetWidth, offsetHeight } = this.over;
      Object.assign(this.shown.style, { top: `${offsetTop}px`, left: `${offsetLeft}px`, width: `${offsetWidth}px`,
        height: `${offsetHeight}px` });
      const caption = Object.assign(document.createElement('span'), { className: 'caption',
        textContent: `The output at stop ${at} of ${count}; Forward to the latest\n` });
      this.shown.replaceChildren(caption, Object.assign(document.createElement('span'), { className: 'text',
        textContent: screen }));
      this.shown.scrollTop = this.shown.scrollHeight;
    }
  }
}
