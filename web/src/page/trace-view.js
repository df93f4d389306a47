// Trace, under the terminal: one row for each call of the console library
// a run made, newest last, the last 10,000 kept and the earlier counted,
// and the call it stops before or waits in. A list box the arrow keys move
// through; choosing a row shows its line in Source. A screen reader hears
// the newest row now and then, politely, not every row of a flood.
import { reveal } from './reveal.js';
import { describe } from '../trace.js';

const mostRows = 10000;
const sayEvery = 1000; // ms

export class TraceView {
  // list: the list box; leftOut: a note above it; said: a polite live
  // region; choose(call): a row chosen.
  constructor({ list, leftOut, said, choose }) {
    this.list = list;
    this.leftOut = leftOut;
    this.said = said;
    this.choose = choose;
    this.calls = []; // each row's call, in order
    this.pending = []; // calls not yet drawn
    this.skipped = 0; // calls ended and not listed, all before the first row
    this.upcoming = null; // the row of the call the run stops before or waits in
    this.drawing = false;
    this.saidAt = 0;
    list.addEventListener('click', (event) => this.pick(event.target.closest('li')));
    list.addEventListener('keydown', (event) => this.key(event));
  }

  clear() {
    Object.assign(this, { calls: [], pending: [], skipped: 0, upcoming: null });
    this.list.replaceChildren();
    this.list.removeAttribute('aria-activedescendant');
    this.said.textContent = '';
    this.tellSkipped();
  }

  // Calls that ended, drawn at the next frame; `skipped` more ended before them.
  add(calls, skipped = 0) {
    this.pending.push(...calls);
    this.skipped += skipped;
    if (!this.drawing) {
      this.drawing = true;
      requestAnimationFrame(() => this.draw());
    }
  }

  // The call the run stops before (how: 'next') or waits for input in
  // ('waiting'); without a call, none: the run has moved on or ended.
  upcomingCall(call, how) {
    this.draw();
    this.upcoming?.remove();
    this.upcoming = null;
    if (call === null) {
      return;
    }
    const note = how === 'waiting' ? 'waiting for input' : 'next';
    this.upcoming = this.row(call, `${call.file}:${call.line} ${call.kind} (${note})`);
    this.upcoming.dataset.mark = how;
    this.list.append(this.upcoming);
    reveal(this.list, this.upcoming);
    this.say(`${note}: ${call.file} line ${call.line}`, true);
  }

  // The calls that ended since; the run has then moved past the upcoming one.
  draw() {
    this.drawing = false;
    if (this.pending.length === 0) {
      return;
    }
    this.upcoming?.remove();
    this.upcoming = null;
    const ended = this.pending.splice(0);
    const calls = ended.slice(-mostRows);
    this.skipped += ended.length - calls.length;
    const rows = calls.map((call) => this.row(call, describe(call)));
    this.calls.push(...calls);
    this.list.append(...rows);
    const over = this.calls.length - mostRows;
    if (over > 0) {
      this.calls.splice(0, over);
      for (let i = 0; i < over; i++) {
        this.list.firstElementChild.remove();
      }
      this.skipped += over;
    }
    this.tellSkipped();
    if (rows.length > 0) {
      this.list.scrollTop = this.list.scrollHeight; // newest last, in view
      this.say(rows.at(-1).textContent);
    }
  }

  // Above the list, how many calls ended before its first row.
  tellSkipped() {
    const { skipped } = this;
    this.leftOut.hidden = skipped === 0;
    this.leftOut.textContent = skipped === 0 ? ''
      : `${skipped.toLocaleString('en')} earlier call${skipped === 1 ? '' : 's'} left out: the list keeps the last ${mostRows.toLocaleString('en')}.`;
  }

  row(call, text) {
    const row = Object.assign(document.createElement('li'), { textContent: text, role: 'option', id: `call-${++counter}` });
    row.call = call;
    row.setAttribute('aria-selected', 'false');
    return row;
  }

  say(text, now = false) {
    const time = performance.now();
    if (now || time - this.saidAt > sayEvery) {
      this.saidAt = time;
      this.said.textContent = text;
    }
  }

  pick(row) {
    if (row === null || row === undefined) {
      return;
    }
    this.list.querySelector('[aria-selected="true"]')?.setAttribute('aria-selected', 'false');
    row.setAttribute('aria-selected', 'true');
    this.list.setAttribute('aria-activedescendant', row.id);
    reveal(this.list, row);
    this.choose(row.call);
  }

  key(event) {
    const now = this.list.querySelector('[aria-selected="true"]');
    const moves = {
      ArrowDown: () => now?.nextElementSibling ?? (now ? null : this.list.firstElementChild),
      ArrowUp: () => now?.previousElementSibling ?? (now ? null : this.list.lastElementChild),
      Home: () => this.list.firstElementChild,
      End: () => this.list.lastElementChild,
    };
    if (moves[event.key] !== undefined) {
      event.preventDefault();
      this.pick(moves[event.key]());
    }
  }
}

let counter = 0;
