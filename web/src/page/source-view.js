// Source, under the terminal: the program's own files with their line
// numbers, one line marked, the statement or call a run stopped before,
// waits in or the learner chose, and the lines with a breakpoint. Each
// line's number is a toggle button for a breakpoint there; a file's numbers
// are one tab stop, the arrow keys moving among them, so that a long file
// does not fill the page with stops. Manual beside it: the manual page.
import { reveal } from './reveal.js';

export class SourceView {
  // toggle(file, line): the learner pressed a line's number.
  constructor({ details, sources, manual, toggle = () => {} }) {
    this.details = details; // the <details> that Source is shown in
    this.sources = sources;
    this.manual = manual;
    this.toggle = toggle;
    this.marked = null;
    this.statements = null;
    this.editor = null; // Edit's editors (editing.js), marked as Source is
    sources.addEventListener('click', (event) => this.press(event.target.closest('.number')));
    sources.addEventListener('keydown', (event) => this.key(event));
  }

  // The program's files, a line an element, and its manual.
  show(program) {
    this.manual.textContent = program.manual;
    this.marked = null;
    this.statements = program.statements ?? null;
    this.sources.replaceChildren(...program.sources.flatMap(({ path, text }) => {
      const lines = text.replace(/\n$/, '').split('\n').map((line, at) => {
        const row = Object.assign(document.createElement('span'), { className: 'line', id: lineId(path, at + 1) });
        // Its number is drawn by CSS, so that it is in no copied text, nor in the text of the file.
        const number = Object.assign(document.createElement('button'), { type: 'button', className: 'number',
          tabIndex: at === 0 ? 0 : -1 });
        number.setAttribute('aria-label', `Breakpoint, line ${at + 1}`);
        number.setAttribute('aria-pressed', 'false');
        Object.assign(number.dataset, { file: path, line: at + 1 });
        row.append(number, `${line}\n`);
        return row;
      });
      // Focusable, so that the keyboard alone can scroll a long line into view.
      const code = Object.assign(document.createElement('pre'), { className: 'source', tabIndex: 0 });
      code.setAttribute('aria-label', path);
      code.append(...lines);
      return [Object.assign(document.createElement('h3'), { textContent: path }), code];
    }));
  }

  // Draws `set`, of 'file:line' strings, as the lines with a breakpoint.
  breakpoints(set) {
    this.editor?.breakpoints(set);
    for (const number of this.sources.querySelectorAll('.number')) {
      number.setAttribute('aria-pressed', String(set.has(`${number.dataset.file}:${number.dataset.line}`)));
    }
  }

  // The lines of `file` a run can stop before, as a Set; null where the
  // build did not tell, for every line.
  statementLines(file) {
    const lines = this.statements?.[file];
    return lines === undefined ? null : new Set(lines);
  }

  // Marks `file`:`line` as `how` (next, waiting or chosen), opens Source
  // and scrolls Source to the line; without a call, marks nothing.
  mark(call, how) {
    this.editor?.mark(call, how);
    this.marked?.removeAttribute('data-mark');
    this.marked?.removeAttribute('aria-current');
    this.marked = call === null ? null : document.getElementById(lineId(call.file, call.line));
    if (this.marked !== null) {
      this.marked.dataset.mark = how;
      // Where the run is, or the place the learner chose.
      this.marked.setAttribute('aria-current', how === 'chosen' ? 'true' : 'step');
      this.rove(this.marked.querySelector('.number')); // Tab into the file lands on it
      this.details.open = true;
      reveal(this.sources, this.marked);
    }
  }

  press(number) {
    if (number !== null) {
      this.rove(number);
      this.toggle(number.dataset.file, Number(number.dataset.line));
    }
  }

  // The file's one tab stop, now on `number`.
  rove(number) {
    const code = number.closest('pre');
    code.querySelector('.number[tabindex="0"]')?.setAttribute('tabindex', '-1');
    number.tabIndex = 0;
  }

  key(event) {
    const number = event.target.closest('.number');
    const move = number === null ? undefined : moves[event.key];
    if (move !== undefined) {
      event.preventDefault(); // the arrows move among the numbers, not the page
      const to = move(number.parentElement)?.querySelector('.number');
      if (to !== undefined) {
        this.rove(to);
        to.focus();
      }
    }
  }
}

// From a line, the line whose number a key goes to.
const moves = {
  ArrowDown: (row) => row.nextElementSibling,
  ArrowUp: (row) => row.previousElementSibling,
  Home: (row) => row.parentElement.firstElementChild,
  End: (row) => row.parentElement.lastElementChild,
};

const lineId = (file, line) => `source-${file.replace(/[^A-Za-z0-9]/g, '-')}-${line}`;
