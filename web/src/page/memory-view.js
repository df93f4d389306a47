// Memory drawn, for Variables: an array, a std::array or a span as a row of
// cells under their indices (a grid as rows and columns), the cells the
// last step changed marked, a span or reference with the cells it views
// named, and in the owner's row a bar under the cells each one views (in a
// grid, those cells outlined and the viewers named). A
// long array is folded past its last cell of interest (changed, non-zero
// or viewed from its first cell) until opened. The drawing is for the eye:
// the variable's text beside it is what a screen reader reads.
const foldPast = 16; // cells shown of a long array, at least, while folded

// `variable`: { name, text, string?, cells?, view? } as the worker sends it; `changed`: the indices of the
// cells that changed; `viewers`: [{ name, from, count }] of the spans and references that view its cells;
// `owner`: the text naming what this one views; `open`: whether a long one is shown whole, and unfold() to
// open it. Returns the drawing, or null where the text says it all.
export function drawing(variable, { changed, viewers, owner, open, unfold }) {
  if (variable.cells === undefined) {
    return variable.string === undefined ? null : scalar(`${variable.name} = ${variable.string}`);
  }
  const { counts, values, total } = variable.cells;
  const drawn = Object.assign(document.createElement('div'), { className: 'drawing' });
  const picture = document.createElement('div');
  picture.setAttribute('aria-hidden', 'true'); // the text beside it says the same, in order
  const name = Object.assign(document.createElement('span'), { className: 'name', textContent: variable.name });
  picture.append(name);
  if (variable.view !== undefined) {
    const { from } = variable.view;
    const to = from + total - 1;
    picture.append(Object.assign(document.createElement('span'), { className: 'points',
      textContent: ` → ${owner} ${total === 1 ? `[${from}]` : `[${from}]–[${to}]`}` }));
  }
  drawn.append(picture);
  if (total === 0) {
    name.after(' (no cells)');
    return drawn;
  }
  const columns = counts.length > 1 ? counts.at(-1) : total;
  const interesting = Math.max(...values.map((value, at) => (changed.has(at) || !/^(0|false|nullptr)$/.test(value)
    ? at : -1)), ...viewers.map(({ from }) => from));
  const shown = counts.length > 1 || open || total <= foldPast ? values.length
    : Math.min(values.length, Math.max(foldPast, interesting + 1));
  if (counts.length > 1 && viewers.length > 0) {
    name.after(Object.assign(document.createElement('span'), { className: 'points',
      textContent: ` ← ${viewers.map((viewer) => viewer.name).join(', ')}` }));
  }
  picture.append(counts.length > 1 ? grid(values, columns, changed, viewers) : row(values.slice(0, shown), changed,
    viewers));
  if (shown < values.length) {
    const more = Object.assign(document.createElement('button'), { type: 'button', className: 'unfold',
      textContent: `Show all ${total} cells` });
    more.setAttribute('aria-label', `Show all ${total} cells of ${variable.name}`);
    more.addEventListener('click', unfold);
    drawn.append(more);
  } else if (values.length < total) {
    picture.append(Object.assign(document.createElement('span'), { className: 'more',
      textContent: `and ${total - values.length} cells more` }));
  }
  return drawn;
}

function scalar(text) {
  const drawn = Object.assign(document.createElement('div'), { className: 'drawing', textContent: text });
  drawn.setAttribute('aria-hidden', 'true');
  return drawn;
}

function cell(value, at, changed) {
  const box = Object.assign(document.createElement('span'), { className: 'cell', textContent: value, title: value });
  if (changed.has(at)) {
    box.dataset.changed = '';
  }
  return box;
}

const index = (text) => Object.assign(document.createElement('span'), { className: 'index', textContent: text });

// One row: the cells, their indices under them, and a bar under the cells of each viewer.
function row(values, changed, viewers) {
  const cells = Object.assign(document.createElement('div'), { className: 'cells' });
  cells.style.setProperty('--columns', values.length);
  cells.append(...values.map((value, at) => cell(value, at, changed)), ...values.map((_, at) => index(at)));
  viewers.forEach(({ name, from, count }, line) => {
    const end = Math.min(from + count, values.length);
    if (from < end) {
      const bar = Object.assign(document.createElement('span'), { className: 'viewer', textContent: name,
        title: `${name} views [${from}]–[${from + count - 1}]` });
      bar.style.gridRow = String(3 + line);
      bar.style.gridColumn = `${from + 1} / ${end + 1}`;
      cells.append(bar);
    }
  });
  return cells;
}

// Rows and columns: the column indices above, each row's index before it; the viewed cells outlined.
function grid(values, columns, changed, viewers) {
  const cells = Object.assign(document.createElement('div'), { className: 'cells grid' });
  cells.style.setProperty('--columns', columns + 1);
  cells.append(index(''), ...Array.from({ length: columns }, (_, at) => index(at)));
  for (let start = 0; start < values.length; start += columns) {
    cells.append(index(start / columns), ...values.slice(start, start + columns).map((value, at) => cell(value,
      start + at, changed)));
  }
  const viewed = (at) => viewers.some(({ from, count }) => at >= from && at < from + count);
  cells.querySelectorAll('.cell').forEach((box, at) => viewed(at) && box.classList.add('viewed'));
  return cells;
}

// The indices of the cells of `now` whose text is not what it was in `before`: all of them where
// `before` had none to compare (not yet set, or unreadable then).
export function changedCells(before, now) {
  const changed = new Set();
  if (before.cells === undefined && now.cells !== undefined) {
    now.cells.values.forEach((_, at) => changed.add(at));
  } else if (now.cells !== undefined && before.view?.from === now.view?.from) {
    now.cells.values.forEach((value, at) => at < before.cells.values.length && value !== before.cells.values[at]
      && changed.add(at));
  }
  return changed;
}
