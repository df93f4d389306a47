// Variables, beside the terminal while a run is stopped: the call stack,
// innermost first, each frame with its variables, those that changed since
// the stop before marked, and the history of the run's stops (the last
// 1,000), which Back and Forward go through. Choosing a frame shows its
// line in Source. A screen reader hears what changed, politely, now and
// then, not at every stop of a fast Step. Each frame's memory is drawn
// (memory-view.js) beside the text, unless the learner asks for text alone.
import { changedCells, drawing } from './memory-view.js';

const mostStops = 1000;
const sayEvery = 1000; // ms
const mostSaid = 100; // characters of a changed value

export class VariablesView {
  // panel: the section shown while there is a stop; frames: where the
  // stack goes; announce: a polite live region; choose(frame): a frame chosen.
  // drawn: the switch between memory drawn and text alone.
  constructor({ panel, frames, announce, choose, drawn }) {
    Object.assign(this, { panel, frames, announce, choose });
    this.stops = []; // { stop, changed, cells }, oldest first; changed: the changed rows' keys; cells: by key
    this.opened = new Set(); // the keys of the long arrays shown whole
    this.at = -1; // the one shown
    this.saidAt = -Infinity;
    this.saying = null; // a timer for what is to be said once a second has passed
    frames.addEventListener('click', (event) => this.pick(event.target.closest('.frame')));
    frames.addEventListener('keydown', (event) => this.key(event));
    const draw = () => frames.classList.toggle('as-text', !drawn.checked);
    drawn.addEventListener('change', draw);
    draw();
  }

  // The run stopped at `stop` (innermost frame first): kept and shown.
  show(stop) {
    const before = this.stops.at(-1)?.stop;
    this.stops.push(before === undefined ? { stop, changed: new Set(), cells: new Map() } : changes(before, stop));
    this.stops.splice(0, this.stops.length - mostStops);
    return this.go(this.stops.length - 1);
  }

  // The stop before or after the one shown, shown and returned; null where there is none.
  back() {
    return this.at > 0 ? this.go(this.at - 1) : null;
  }

  forward() {
    return this.at < this.stops.length - 1 ? this.go(this.at + 1) : null;
  }

  get atLatest() {
    return this.at === this.stops.length - 1;
  }

  // Which stop is shown, from 1, and how many there are.
  get position() {
    return { at: this.at + 1, count: this.stops.length };
  }

  clear() {
    clearTimeout(this.saying);
    Object.assign(this, { stops: [], at: -1, saying: null, opened: new Set() });
    this.frames.replaceChildren();
    this.announce.textContent = '';
    this.hide();
  }

  hide() {
    this.panel.hidden = true;
  }

  go(at) {
    this.at = at;
    const { stop, changed, cells } = this.stops[at];
    const focused = this.frames.contains(document.activeElement);
    const { length } = stop.frames;
    const said = []; // the changed values' texts
    const shown = { changed, cells, viewers: viewers(stop), said };
    const items = stop.frames.map((frame, depth) => this.frame(frame, length - 1 - depth, shown, stop.frames));
    const stack = Object.assign(document.createElement('ol'), { className: 'stack' });
    stack.setAttribute('aria-label', 'Call stack, innermost first');
    stack.append(...items);
    this.frames.replaceChildren(stack);
    this.panel.hidden = false;
    const innermost = stack.querySelector('.frame');
    this.current(innermost);
    if (focused) {
      innermost?.focus(); // what had the focus is gone
    }
    // A long array's whole text would hold the screen reader for minutes: its start is said.
    this.tell(said.map((text) => (text.length > mostSaid ? `${text.slice(0, mostSaid)}…` : text)).join(', '));
    return stop;
  }

  // A frame, `depth` from the outermost: its name and line, choosable, and
  // its variables, each drawn; the texts of those in `changed` go in `said` too.
  frame(frame, depth, { changed, cells, viewers: viewing, said }, frames) {
    const choice = Object.assign(document.createElement('button'), { type: 'button', className: 'frame' });
    // The space keeps the name a screen reader makes of it from running the line into the file.
    choice.append(`${frame.name}, line ${frame.line} `,
      Object.assign(document.createElement('span'), { className: 'where', textContent: frame.file }));
    choice.frame = frame;
    const rows = frame.variables.map((variable) => {
      // One text node however long the value: CSS wraps it.
      const row = Object.assign(document.createElement('li'), { className: 'variable' });
      row.append(Object.assign(document.createElement('span'), { className: 'text', textContent: variable.text }));
      const name = key(depth, frame, variable);
      if (changed.has(name)) {
        row.classList.add('changed');
        said.push(variable.text);
        row.append(Object.assign(document.createElement('span'), { className: 'unseen', textContent: ' (changed)' }));
      }
      const { view } = variable;
      const picture = drawing(variable, { changed: cells.get(name) ?? new Set(), viewers: viewing.get(name) ?? [],
        owner: view && `${frames[view.frame]?.name}'s ${view.name}`, open: this.opened.has(name),
        unfold: () => this.opened.add(name) && this.go(this.at) });
      if (picture !== null) {
        row.classList.add('drawn');
        row.append(picture);
      }
      return row;
    });
    const item = Object.assign(document.createElement('li'), { className: 'box' });
    item.append(choice);
    if (rows.length > 0) {
      const list = Object.assign(document.createElement('ul'), { className: 'variables' });
      list.setAttribute('aria-label', `Variables of ${frame.name}`);
      list.append(...rows);
      item.append(list);
    }
    return item;
  }

  // `choice` the current frame, and the one tab stop of the stack.
  current(choice) {
    for (const other of this.frames.querySelectorAll('.frame')) {
      other.removeAttribute('aria-current');
      other.tabIndex = -1;
    }
    if (choice !== null) {
      choice.setAttribute('aria-current', 'true');
      choice.tabIndex = 0;
    }
  }

  pick(choice) {
    if (choice !== null) {
      this.current(choice);
      choice.focus();
      this.choose(choice.frame);
    }
  }

  key(event) {
    const choices = [...this.frames.querySelectorAll('.frame')];
    const at = choices.indexOf(event.target);
    const to = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: choices.length - 1 }[event.key];
    if (at >= 0 && to !== undefined) {
      event.preventDefault();
      if (choices[to] !== undefined) {
        this.pick(choices[to]);
      }
    }
  }

  // At most once a second; what comes meanwhile waits, the latest in place
  // of the earlier, and a stop that changed nothing leaves nothing to say.
  tell(text) {
    clearTimeout(this.saying);
    if (text === '') {
      return;
    }
    const wait = this.saidAt + sayEvery - performance.now();
    this.saying = setTimeout(() => {
      this.saidAt = performance.now();
      this.saying = null;
      this.announce.textContent = text;
    }, Math.max(0, wait));
  }
}

// What tells a variable from the others: its frame's depth from the
// outermost and function, and its name; a recursive call's own frame is not
// its caller's.
const key = (depth, frame, variable) => JSON.stringify([depth, frame.name, variable.name]);

// `now` as kept: the keys of its variables whose text is not what it was at `before`, and by key the cells
// of each that changed.
function changes(before, now) {
  const was = new Map();
  before.frames.forEach((frame, depth) => {
    for (const variable of frame.variables) {
      was.set(key(before.frames.length - 1 - depth, frame, variable), variable);
    }
  });
  const changed = new Set();
  const cells = new Map();
  now.frames.forEach((frame, depth) => {
    for (const variable of frame.variables) {
      const name = key(now.frames.length - 1 - depth, frame, variable);
      if (was.has(name) && was.get(name).text !== variable.text) {
        changed.add(name);
        cells.set(name, changedCells(was.get(name), variable));
      }
    }
  });
  return { stop: now, changed, cells };
}

// By the key of each variable whose cells a span or reference views, those that view them:
// [{ name, from, count }], the name with its function where that is another.
function viewers(stop) {
  const { frames } = stop;
  const found = new Map();
  frames.forEach((frame, at) => {
    for (const variable of frame.variables) {
      const owner = frames[variable.view?.frame];
      if (owner !== undefined) {
        const name = key(frames.length - 1 - variable.view.frame, owner, { name: variable.view.name });
        const label = variable.view.frame === at ? variable.name : `${variable.name} (${frame.name})`;
        found.set(name, [...(found.get(name) ?? []), { name: label, from: variable.view.from,
          count: variable.cells.total }]);
      }
    }
  });
  return found;
}
