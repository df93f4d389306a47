// Edit, under Source: the chosen program's files in code editors
// (editor/editor.js, loaded only when Edit is first pressed, so that a page
// that only runs programs loads none of it), Run the change (Ctrl+Enter)
// through the compiler (compiler-client.js), what the compiler said listed
// under the editors, each tied to its line, and Reset to the tree's text.
// A change that compiles runs as the program it changes does, by the page's
// start(); one that does not runs nothing and the last program stays. The
// change goes in the run's link (change-link.js), and a link with one shows
// it, compiles it and runs it.
import { decodeChange, encodeChange } from './change-link.js';
import { compileChange, prepareCompiler } from './compiler-client.js';

const steps = { loading: () => 'Loading the compiler', compiling: (file) => `Compiling ${file}`, linking: () => 'Linking',
  stops: () => 'Finding the statements to stop before', asyncify: () => 'Making it able to wait for input' };

const counted = (count, what) => `${count} ${what}${count === 1 ? '' : 's'}`;

export class Editing {
  // page: { session, source, programs, asked, say(text), command(), start(name, file, stepped) }.
  constructor(element, page) {
    this.element = element;
    this.page = page;
    this.name = null; // the program whose files the editors hold
    this.editors = new Map(); // path → FileEditor
    this.changed = null; // the entry of the changed program, once compiled
    this.link = ''; // its files as the run's link carries them
    this.compiling = null; // the AbortController of the compile going on
    this.loading = null;
    page.source.editor = this; // marked as Source is
    globalThis.intkitEditing = this; // for the tests
    element('edit').addEventListener('click', () => this.open());
    element('run-change').addEventListener('click', () => this.runChange());
    element('cancel').addEventListener('click', () => this.compiling?.abort());
    element('reset').addEventListener('click', () => this.reset());
    // Another program chosen, or this one again: the program as built, not the change.
    element('programs').addEventListener('click', (event) => event.target.closest('button') && this.close(), true);
  }

  original(name) {
    return this.page.programs.find((program) => program.name === name);
  }

  // What the page runs for `name`: the change where one is compiled, else the program as built.
  entry(name) {
    return this.changed?.name === name ? this.changed : this.original(name);
  }

  // The program's name on the command line.
  named(name) {
    return this.changed !== null && this.changed.name === name ? `${name} (changed)` : name;
  }

  tell(text) {
    this.element('edit-status').textContent = text;
  }

  // editor.js, added to the page the first time it is needed.
  load() {
    this.loading ??= new Promise((resolve, reject) => {
      const script = Object.assign(document.createElement('script'), { src: 'editor.js' });
      script.addEventListener('load', () => resolve(globalThis.intkitEditor));
      script.addEventListener('error', () => reject(new Error('editor.js did not load')));
      document.head.append(script);
    });
    this.loading.catch(() => (this.loading = null));
    return this.loading;
  }

  // The editors, on the files of the program now chosen, or on `texts` in place of those a link changed.
  async open(program = this.entry(this.page.session.name), texts = {}) {
    const { element } = this;
    element('edit').disabled = true;
    prepareCompiler();
    let FileEditor;
    try {
      ({ FileEditor } = await this.load());
    } catch (error) {
      this.tell(`The editor cannot run in this browser (${error.message}); the programs run as before.`);
      element('edit').disabled = false;
      return false;
    }
    this.close(false);
    this.name = program.name;
    const original = this.original(program.name);
    const box = element('editors');
    for (const { path, text } of program.sources) {
      const heading = Object.assign(document.createElement('h3'), { textContent: path });
      const parent = Object.assign(document.createElement('div'), { className: 'editor' });
      box.append(heading, parent);
      const tree = original.sources.find((file) => file.path === path).text;
      let editor = null;
      const edited = () => (heading.textContent = editor.text === tree ? path : `${path} (changed)`);
      editor = new FileEditor({ parent, path, text: texts[path] ?? text, run: () => this.runChange(), edited,
        toggle: (line) => this.page.source.toggle(path, line) });
      edited();
      this.editors.set(path, editor);
      editor.breakpoints(this.lines(this.page.session.breaks, path));
    }
    element('source').open = true;
    for (const [id, shown] of [['edit', false], ['run-change', true], ['reset', true], ['editors', true], ['sources', false]]) {
      element(id).hidden = !shown;
    }
    this.tell('Change the code, then Run the change (Ctrl+Enter in the editor). Escape then Tab leaves the editor.');
    this.editors.values().next().value?.view.focus();
    return true;
  }

  // Back to Source as it was; the change forgotten, unless told not to.
  close(forget = true) {
    if (forget) {
      this.compiling?.abort();
      Object.assign(this, { changed: null, link: '' });
    }
    this.list([]);
    for (const editor of this.editors.values()) {
      editor.destroy();
    }
    this.editors.clear();
    this.element('editors').replaceChildren();
    for (const [id, shown] of [['edit', true], ['run-change', false], ['reset', false], ['editors', false],
      ['sources', true]]) {
      this.element(id).hidden = !shown;
    }
    this.element('edit').disabled = false;
  }

  lines(breaks, path) {
    return new Set([...breaks].filter((key) => key.startsWith(`${path}:`)).map((key) => Number(key.slice(path.length + 1))));
  }

  // Source's marks, drawn in the editors too.
  mark(call, how) {
    for (const [path, editor] of this.editors) {
      editor.mark(call?.file === path ? call.line : null, how);
    }
  }

  breakpoints(set) {
    for (const [path, editor] of this.editors) {
      editor.breakpoints(this.lines(set, path));
    }
  }

  reset() {
    for (const { path, text } of this.original(this.name).sources) {
      this.editors.get(path).text = text;
    }
    this.list([]);
    this.tell('The files are as in the tree again: Run the change runs the program as built.');
  }

  // Compiles what differs from the tree's text and, where it compiles, runs it.
  async runChange(file = null, stepped = false) {
    if (this.compiling !== null || this.name === null) {
      return;
    }
    const original = this.original(this.name);
    const texts = Object.fromEntries(original.sources.filter(({ path, text }) => this.editors.get(path).text !== text)
      .map(({ path }) => [path, this.editors.get(path).text]));
    if (Object.keys(texts).length === 0) {
      Object.assign(this, { changed: null, link: '' });
      this.list([]);
      this.tell('Nothing is changed: the program as built runs.');
      this.page.start(this.name, file, stepped);
      return;
    }
    this.compiling = new AbortController();
    this.busy(true);
    try {
      const result = await compileChange(original, texts, { signal: this.compiling.signal,
        onProgress: ({ step, file: at }) => this.tell(`${steps[step]?.(at) ?? step}… (Cancel stops it)`) });
      this.list(result.diagnostics);
      const errors = result.diagnostics.filter(({ severity }) => severity === 'error').length;
      if (!result.ok) {
        this.tell(`The change does not compile: ${counted(errors, 'error')}, listed below. Nothing was run` +
          `${this.page.session.name === null ? '' : `; ${this.page.command()} stays chosen`}.`);
        return;
      }
      Object.assign(this, { changed: { ...result.entry, changed: true }, link: await encodeChange(texts) });
      const warnings = result.diagnostics.length - errors;
      this.tell(`Compiled${warnings > 0 ? `, with ${counted(warnings, 'warning')} listed below` : ''}: the changed program runs.`);
      this.page.start(this.name, file, stepped);
      this.element('terminal').scrollIntoView({ block: 'nearest' }); // from the editors below it on a narrow screen
    } catch (error) {
      this.tell(error.name === 'AbortError' ? 'The compile was cancelled: nothing was run.'
        : `The compiler cannot run in this browser (${error.message}); the programs as built run as before.`);
    } finally {
      this.compiling = null;
      this.busy(false);
    }
  }

  busy(compiling) {
    this.element('cancel').hidden = !compiling;
    this.element('run-change').disabled = compiling;
    this.element('edit-status').setAttribute('aria-busy', String(compiling));
  }

  // What the compiler said: a list under the editors, each item going to its line, and each line marked.
  list(diagnostics) {
    const items = diagnostics.map(({ file, line, column, severity, message }) => {
      const button = Object.assign(document.createElement('button'), { type: 'button', className: `diagnostic ${severity}`,
        textContent: `${file}:${line}:${column}: ${severity}: ${message}` });
      button.addEventListener('click', () => this.editors.get(file)?.reveal(line, column));
      const item = document.createElement('li');
      item.append(button);
      return item;
    });
    this.element('diagnostics').replaceChildren(...items);
    this.element('diagnosed').hidden = items.length === 0;
    for (const [path, editor] of this.editors) {
      editor.diagnose(diagnostics.filter(({ file }) => file === path));
    }
  }

  // A link's changed program: shown, compiled, then run on the link's input.
  openLink = async (name, file, stepped) => {
    const original = this.original(name);
    const { texts, error } = original === undefined ? {} : await decodeChange(this.page.asked.change, original);
    if (original === undefined || error !== undefined) {
      return original === undefined ? this.page.start(name) : this.page.say(error);
    }
    this.element('about').hidden = false;
    this.page.source.show(original);
    if (await this.open(original, texts)) {
      this.page.say(`This link changes ${name}: the changed code is under Source, and Reset to the original puts the ` +
        'tree\'s text back.');
      await this.runChange(file, stepped);
    }
  };
}
