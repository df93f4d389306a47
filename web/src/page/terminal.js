// The terminal as the page sets it up: xterm.js, as wide as its box (and,
// embedded in a frame, as high), with the keys it leaves to the page.
import { FitAddon } from '@xterm/addon-fit';
import { Terminal } from '@xterm/xterm';

// `embed`: whether a frame sets its height; `passed`: the keys (by name)
// that the page takes instead, such as Step's. open(box) puts it in the page.
export function makeTerminal({ embed, passed }) {
  const terminal = new Terminal({
    convertEol: true, // a lone \n starts a new line, as on a real terminal's output
    scrollback: 5000,
    cursorBlink: true,
    fontSize: 15,
    fontFamily: 'ui-monospace, "DejaVu Sans Mono", Menlo, Consolas, monospace',
  });
  const fit = new FitAddon();
  terminal.loadAddon(fit);

  // As many columns as the terminal's box holds; embedded, as many rows too,
  // since the frame sets the height; else the rows stay as they are.
  function fitTerminal() {
    const size = fit.proposeDimensions();
    const cols = Math.max(20, size?.cols ?? terminal.cols);
    const rows = embed ? Math.max(3, size?.rows ?? terminal.rows) : terminal.rows;
    if (cols !== terminal.cols || rows !== terminal.rows) {
      terminal.resize(cols, rows);
    }
  }

  // Keys the terminal does not take: Tab leaves it, so the keyboard alone can
  // reach everything, and Ctrl-C with text selected copies it, as in other
  // browser terminals (the browser's own copy, which xterm.js answers).
  function passedOver(event) {
    if (event.key === 'Tab' || passed.includes(event.key)) {
      return true;
    }
    if (event.type === 'keydown' && event.ctrlKey && event.key.toLowerCase() === 'c' && terminal.hasSelection()) {
      setTimeout(() => terminal.clearSelection()); // after the copy: the next Ctrl-C interrupts
      return true;
    }
    return false;
  }

  return {
    terminal,
    open(box) {
      terminal.open(box);
      terminal.attachCustomKeyEventHandler((event) => !passedOver(event));
      new ResizeObserver(fitTerminal).observe(box);
    },
  };
}
