// What a terminal holds, screen and scrollback: each row's text, whether it
// continues the row above, and the cursor. Self-contained, so that a test
// can run it in a page, where it reads the page's own terminal.
export function terminalState(terminal = globalThis.intkitTerminal) {
  const buffer = terminal.buffer.active;
  const rows = [];
  for (let y = 0; y < buffer.length; y++) {
    const line = buffer.getLine(y);
    rows.push(`${line.isWrapped ? '+' : '|'}${line.translateToString(false)}`);
  }
  return { cols: terminal.cols, rows, cursor: [buffer.cursorX, buffer.cursorY, buffer.baseY] };
}
