// The page: a program chooser and a terminal in which the chosen program
// runs, typed answers or a file as its standard input, stepped statement by
// statement or free. Wires the line discipline (line-discipline.js), the
// runs (runner.js), stepping (stepping.js), the trace and Source
// (trace-view.js, source-view.js), Edit (editing.js) and copying and links (sharing.js) to the
// DOM and to the terminal (terminal.js). The programs and the worker's code are embedded by the
// build (programs.js, loaded before this script).
import { Editing } from './editing.js';
import { freshLine, type } from './line-discipline.js';
import { fromLink, mostLinkedBytes } from './run-link.js';
import { Run, launch } from './runner.js';
import { copyOutput, linkToRun } from './sharing.js';
import { SourceView } from './source-view.js';
import { Stepping } from './stepping.js';
import { makeTerminal } from './terminal.js';
import { TraceView } from './trace-view.js';

const { intkitPrograms: programs, intkitBoot: boot } = globalThis;

const element = (id) => document.getElementById(id);
const encoder = new TextEncoder();

const asked = fromLink(location.search, location.hash, programs);
const shell = makeTerminal({ embed: asked.embed, passed: ['F10', 'F11', 'F8'] });
const { terminal } = shell;
globalThis.intkitTerminal = terminal; // for the tests, and for a curious learner's console

const session = {
  name: null,
  file: null,
  run: null,
  line: freshLine,
  written: 0,
  copied: [],
  copiedSize: 0,
  sent: [], // what was typed and sent, kept for a link while it fits one
  sentSize: 0,
  shownAt: 0,
  lateShow: 0, // the timer of a count held back
  stepped: false, // started stopped before its first statement
  breaks: new Set(asked.breaks), // 'file:line'
};
const source = new SourceView({ details: element('source'), sources: element('sources'), manual: element('manual'),
  toggle: (file, line) => stepping.toggle(file, line) });
const trace = new TraceView({ list: element('trace'), leftOut: element('trace-left'), said: element('trace-said'),
  choose: (call) => source.mark(call, 'chosen') });
globalThis.intkitTrace = trace; // for the tests
const stepping = new Stepping(element, { session, source, trace, terminal, say, command: () => command(),
  start: (stepped) => start(session.name, session.file, stepped), running: (running) => setRunning(running) });
const editing = new Editing(element, { session, source, programs, asked, say, command: () => command(), start });

function say(text) {
  clearTimeout(session.lateShow); // a count held back is older than what is said now
  element('status').textContent = text;
}

function command() {
  return `${editing.named(session.name)}${session.file === null ? '' : ` < ${session.file.name}`}`;
}

// At most four times a second, and the last count once the writes pause (at a prompt, say).
function showProgress(force = false) {
  clearTimeout(session.lateShow);
  const wait = force ? 0 : session.shownAt + 250 - performance.now();
  if (wait > 0) {
    session.lateShow = setTimeout(() => session.run?.running && showProgress(true), wait);
    return;
  }
  session.shownAt = performance.now();
  say(`${command()} is running: ${session.written.toLocaleString('en')} bytes written`);
}

// Every byte written is counted and, up to a point, kept for Copy output,
// whether or not the terminal draws it (the worker fast-forwards).
function wrote(size, copies, calls, skipped) {
  trace.add(calls, skipped);
  if (calls.length > 0 && source.marked?.dataset.mark === 'waiting') {
    source.mark(null); // the read has its answer
  }
  session.written += size;
  for (const copy of copies) {
    session.copied.push(copy);
    session.copiedSize += copy.length;
  }
  showProgress();
}

const show = (bytes, done) => terminal.write(bytes, done);

const size = () => ({ cols: terminal.cols, rows: terminal.rows, scrollback: terminal.options.scrollback });

function ended(result) {
  const how = result.message === undefined ? `exited with status ${result.code}` : `failed: ${result.message}`;
  if (result.message !== undefined) {
    terminal.write(`\r\n[${result.message}]\r\n`);
  }
  stepping.unmark();
  say(`${command()} ${how}; ${session.written.toLocaleString('en')} bytes written.`);
  setRunning(false);
}

function setRunning(running) {
  // A screen reader tells the count of bytes written once, when the run ends.
  element('status').setAttribute('aria-busy', String(running));
  element('end').disabled = !running || session.file !== null;
  element('stop').disabled = !running;
  stepping.update(running);
  element('again').hidden = running || session.name === null;
  element('link-run').hidden = running || session.name === null;
}

function start(name, file = null, stepped = false) {
  const program = editing.entry(name);
  if (program === undefined) {
    say(`There is no program called ${name}.`);
    return;
  }
  session.run?.stop();
  Object.assign(session, { name, file, line: freshLine, written: 0, copied: [], copiedSize: 0, sent: [], sentSize: 0,
    stepped });
  // A full reset in the stream, after whatever the last run left queued in
  // the terminal, rather than reset(), which would act before it.
  terminal.write('\x1bc');
  element('command').textContent = command();
  for (const button of document.querySelectorAll('#programs button')) {
    button.setAttribute('aria-pressed', String(button.dataset.program === name));
  }
  element('link').hidden = true;
  element('about').hidden = false;
  source.show(program);
  trace.clear();
  stepping.restart(); // first, so that the new run is handed only breakpoints in its own files
  // The run boot.js started for the link, the first time; else a new one.
  const launched = boot.launched?.name === name ? boot.launched : launch(boot.workerUrl, program, stepped,
    session.breaks);
  boot.launched = null;
  session.run = new Run(launched, { file }, { wrote, show, exit: ended, paused: (stop) => stepping.paused(stop),
    reading: (call) => stepping.reading(call) });
  session.run.resize(size());
  showProgress(true);
  setRunning(true);
  focusTerminal();
}

// Once the terminal is in the page; an embedded page takes no focus from its host.
function focusTerminal() {
  if (terminal.element !== undefined && (!asked.embed || document.hasFocus())) {
    terminal.focus();
  }
}

// The chosen program, with the file as its whole standard input.
function runWithFile(file) {
  if (file === undefined) {
    return;
  }
  if (session.name === null) {
    say('Choose a program first, then its answers file.');
  } else {
    start(session.name, file);
  }
}

function interrupt() {
  if (session.run?.running) {
    session.run.stop();
    terminal.write('^C\r\n');
    stepping.unmark();
    say(`${command()} stopped by Ctrl-C; ${session.written.toLocaleString('en')} bytes written.`);
    setRunning(false);
  }
}

// What the user types, as a terminal in line mode takes it.
function typed(data) {
  const { run } = session;
  if (!run?.running) {
    return;
  }
  const { state, echo, sends, interrupt: stop } = type(session.line, session.file === null ? data : data.replace(/[^\x03]/g, ''));
  session.line = state;
  if (stop) {
    interrupt();
    return;
  }
  terminal.write(echo);
  for (const send of sends) {
    if (send.end) {
      run.end();
    } else {
      const bytes = encoder.encode(send.text);
      if (session.sentSize <= mostLinkedBytes) {
        session.sent.push(bytes.slice()); // sending hands the bytes over
      }
      session.sentSize += bytes.length;
      run.send(bytes);
    }
  }
}

// A link to this run, shown under the buttons and copied where the browser lets the page.
async function linkRun() {
  const { address, said } = await linkToRun(location.href, session, editing.link);
  if (address !== null) {
    Object.assign(element('link-address'), { href: address, textContent: address });
    element('link').hidden = false;
  }
  say(said);
}

// Output text selected in the terminal that one call alone wrote: its line in Source.
function selected() {
  const text = terminal.getSelection().trim();
  const calls = text.length < 2 ? [] : trace.calls.filter((call) => call.text.includes(text));
  if (calls.length === 1) {
    source.mark(calls[0], 'chosen');
  }
}

function listPrograms() {
  const list = element('programs');
  for (const { name, description } of programs) {
    const button = Object.assign(document.createElement('button'), { type: 'button' });
    button.dataset.program = name;
    button.setAttribute('aria-pressed', String(name === session.name));
    button.append(
      Object.assign(document.createElement('strong'), { textContent: name }),
      Object.assign(document.createElement('span'), { textContent: description }),
    );
    button.addEventListener('click', () => start(name));
    const item = document.createElement('li');
    item.append(button);
    list.append(item);
  }
}

function wire() {
  shell.open(element('terminal'));
  terminal.onData(typed);
  terminal.onSelectionChange(selected);
  document.addEventListener('keydown', (event) => {
    if (stepping.key(event)) {
      event.preventDefault();
    }
  });
  terminal.onResize(() => session.run?.resize(size()));
  element('end').addEventListener('click', () => {
    typed('\x04');
    terminal.focus();
  });
  element('stop').addEventListener('click', interrupt);
  element('again').addEventListener('click', () => start(session.name, session.file));
  element('copy').addEventListener('click', async () => say(await copyOutput(session)));
  element('link-run').addEventListener('click', linkRun);
  element('answers').addEventListener('change', (event) => {
    runWithFile(event.target.files[0]);
    event.target.value = '';
  });
  // A file dropped anywhere is the answers file; the browser must not open it instead.
  document.addEventListener('dragover', (event) => event.preventDefault());
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    runWithFile(event.dataTransfer.files[0]);
  });
  element('reader').addEventListener('change', (event) => (terminal.options.screenReaderMode = event.target.checked));
  addEventListener('hashchange', () => location.reload()); // another run's link, pasted over this one
  setRunning(session.run?.running ?? false);
}

document.body.classList.toggle('embed', asked.embed === true);
// The run of the program a link asks for, started before this script was
// read (boot.js), is taken over before the rest of the page is built.
if (asked.error === undefined && asked.program !== null) {
  (asked.change === null ? start : editing.openLink)(asked.program, asked.input && new File([asked.input], "the link's input"),
    asked.step);
}
listPrograms();
wire();
requestAnimationFrame(focusTerminal); // focus lays the page out: not on the way to the first prompt
if (asked.error !== undefined) {
  say(asked.error);
} else if (asked.program === null) {
  terminal.write('Choose a program above; it runs here.\r\n');
  say('No program is running.');
}
