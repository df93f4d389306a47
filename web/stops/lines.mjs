// The compiler's line table (dwarf/line-program.mjs's rows) made into the
// places the page stops at: one before each statement of the
// files Source shows, as the table marks statements (is_stmt), after each
// function's prologue, where its frame is set up.

// The file of `shown` that `path` names: the same path, or one that ends in it.
export function shownFile(path, shown) {
  return shown.find((file) => path === file || path.endsWith(`/${file}`)) ?? null;
}

// The stops of the shown files: { address, file, line } in address order, one
// where a statement begins on a line other than the row before it, from
// each function's prologue end on (or its second row, without one).
// `functions`: [{ ranges: [[low, high], ...] }], which function an address is in.
export function statementStops(rows, shown, functions) {
  const within = (address) => functions.findIndex(({ ranges }) => ranges.some(([low, high]) => address >= low
    && address < high));
  const stops = [];
  let sequence = [];
  for (const row of rows) {
    sequence.push(row);
    if (row.end) {
      stops.push(...sequenceStops(sequence, shown, within));
      sequence = [];
    }
  }
  return stops.sort((a, b) => a.address - b.address);
}

function sequenceStops(sequence, shown, within) {
  const ordered = [...sequence].sort((a, b) => a.address - b.address);
  const withPrologue = new Set(ordered.filter((row) => row.prologueEnd).map((row) => within(row.address)));
  const stops = [];
  let previous = null;
  let begun = false; // the function of the row has set up its frame
  let first = false; // the next statement is its first
  for (const row of ordered) {
    const where = within(row.address);
    if (previous === null || within(previous.address) !== where) {
      begun = false;
    } else if (!begun && !withPrologue.has(where)) {
      begun = first = true;
    }
    if (!begun && row.prologueEnd) {
      begun = first = true;
    }
    const file = shownFile(row.file, shown);
    const isNew = first || previous?.line !== row.line || previous?.file !== row.file;
    if (begun && row.statement && !row.end && row.line !== 0 && file !== null && where >= 0 && isNew
      && stops.at(-1)?.address !== row.address) {
      stops.push({ address: row.address, file, line: row.line, function: where });
      first = false;
    }
    previous = row;
  }
  return stops;
}
