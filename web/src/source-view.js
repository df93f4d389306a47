// Source, under the terminal: the program's own files with their line
// numbers, and one line marked, the call a run stopped before, waits in or
// the learner chose in the trace. Manual beside it: the manual page.
import { reveal } from './reveal.js';

export class SourceView {
  constructor({ details, sources, manual }) {
    this.details = details; // the <details> that Source is shown in
    this.sources = sources;
    this.manual = manual;
    this.marked = null;
  }

  // The program's files, a line an element, and its manual.
  show(program) {
    this.manual.textContent = program.manual;
    this.marked = null;
    this.sources.replaceChildren(...program.sources.flatMap(({ path, text }) => {
      const lines = text.replace(/\n$/, '').split('\n').map((line, at) =>
        Object.assign(document.createElement('span'), { className: 'line', textContent: `${line}\n`, id: lineId(path, at + 1) }));
      // Focusable, so that the keyboard alone can scroll a long line into view.
      const code = Object.assign(document.createElement('pre'), { className: 'source', tabIndex: 0 });
      code.setAttribute('aria-label', path);
      code.append(...lines);
      return [Object.assign(document.createElement('h3'), { textContent: path }), code];
    }));
  }

  // Marks `file`:`line` as `how` (next, waiting or chosen), opens Source
  // and scrolls Source to the line; without a call, marks nothing.
  mark(call, how) {
    this.marked?.removeAttribute('data-mark');
    this.marked = call === null ? null : document.getElementById(lineId(call.file, call.line));
    if (this.marked !== null) {
      this.marked.dataset.mark = how;
      this.details.open = true;
      reveal(this.sources, this.marked);
    }
  }
}

const lineId = (file, line) => `source-${file.replace(/[^A-Za-z0-9]/g, '-')}-${line}`;
