// What a program of the page's build tells on descriptor 3, made into
// calls: before each call of the console library a line "<kind> <file>:<line>"
// (print, read, write or finish), after each read "got <value>" or
// "kept <value>". A call's output is what the program writes to standard
// output until the next call begins. Plain data, no DOM: the worker keeps
// one, the tests another.

export const mostKeptText = 4096; // bytes of a call's output, for showing it

const callLine = /^(print|read|write|finish) (.+):(\d+)$/;
const readLine = /^(got|kept) (-?\d+)$/;

export class Trace {
  constructor() {
    this.partial = ''; // a line not yet ended
    this.current = null; // the call that runs now
    this.done = []; // calls ended since the last take()
    // Streaming, since a character may come split between two writes.
    this.toldText = new TextDecoder();
    this.output = new TextDecoder();
  }

  // Bytes of the trace; gives the call that begins, if one does.
  told(bytes) {
    const lines = (this.partial + this.toldText.decode(bytes, { stream: true })).split('\n');
    this.partial = lines.pop();
    let begun = null;
    for (const line of lines) {
      const call = callLine.exec(line);
      const read = readLine.exec(line);
      if (call !== null) {
        this.end();
        this.current = { kind: call[1], file: call[2], line: Number(call[3]), size: 0, text: '' };
        begun = this.current;
      } else if (read !== null && this.current?.kind === 'read') {
        Object.assign(this.current, { got: read[1] === 'got', value: Number(read[2]) });
      }
    }
    return begun;
  }

  // Bytes written to standard output, by the call that runs now.
  wrote(bytes) {
    const call = this.current;
    if (call !== null) {
      if (call.size < mostKeptText) {
        call.text += this.output.decode(bytes.subarray(0, mostKeptText - call.size), { stream: true });
      }
      call.size += bytes.length;
    }
  }

  // The call that runs now has ended (the program has, or another began).
  end() {
    // A character the call began and never ended is told as U+FFFD; one cut
    // at the end of what is kept, not at all.
    const rest = this.output.decode();
    if (this.current !== null) {
      this.current.text += this.current.size <= mostKeptText ? rest : '';
      this.done.push(this.current);
      this.current = null;
    }
  }

  // The calls ended since the last take, at most the last `most` of them,
  // and how many earlier ones were left out.
  take(most = Infinity) {
    const { done } = this;
    this.done = [];
    const skipped = Math.max(0, done.length - most);
    return { calls: skipped > 0 ? done.slice(skipped) : done, skipped };
  }
}

// A call as the page lists it: arrays/input_array.cpp:10 printed "Element [0]: ".
export function describe(call) {
  const where = `${call.file}:${call.line}`;
  switch (call.kind) {
    case 'print':
      return `${where} printed ${quoted(call.text, call.size)}`;
    case 'write':
      return `${where} wrote ${call.size.toLocaleString('en')} bytes`;
    case 'read':
      if (call.got === undefined) {
        return `${where} reads`;
      }
      return call.got ? `${where} read ${call.value}` : `${where} read nothing: the value stays ${call.value}`;
    default:
      return `${where} finished`;
  }
}

const escapes = { '\n': '\\n', '\t': '\\t', '\r': '\\r', '"': '\\"', '\\': '\\\\' };

function quoted(text, size) {
  const shown = text.length > 80 ? `${text.slice(0, 80)}…` : text;
  const more = size > text.length || text.length > 80 ? ` (${size.toLocaleString('en')} bytes)` : '';
  return `"${shown.replace(/[\n\t\r"\\]/g, (c) => escapes[c])}"${more}`;
}
