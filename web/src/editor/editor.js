// One of a program's files in CodeMirror 6, for changing it in the page:
// line numbers, undo, search, C++ highlighting, and the marks Source has
// (breakpoints, the line a run stopped before) plus the compiler's
// diagnostics, each a line's mark that follows the line as text is typed
// above it. Tab indents, as in other code editors; Escape then Tab leaves
// the editor (CodeMirror's own way out), so the keyboard is never trapped.
// Built into editor.js of its own, which the page loads only when Edit is
// pressed (editing.js): it sets globalThis.intkitEditor.
import { defaultKeymap, history, historyKeymap, indentWithTab } from '@codemirror/commands';
import { cpp } from '@codemirror/lang-cpp';
import { bracketMatching, indentOnInput, syntaxHighlighting } from '@codemirror/language';
import { highlightSelectionMatches, searchKeymap } from '@codemirror/search';
import { EditorSelection, RangeSet, StateEffect, StateField } from '@codemirror/state';
import { Decoration, EditorView, GutterMarker, drawSelection, gutter, highlightActiveLine, keymap, lineNumbers }
  from '@codemirror/view';
import { classHighlighter } from '@lezer/highlight';

// A field of line marks, set whole by its effect and mapped through each edit.
function marks() {
  const set = StateEffect.define();
  const field = StateField.define({
    create: () => RangeSet.empty,
    update: (value, transaction) => transaction.effects.reduce((last, effect) => (effect.is(set) ? effect.value : last),
      value.map(transaction.changes)),
  });
  return { set, field };
}

class Sign extends GutterMarker {
  constructor(text, className) {
    super();
    Object.assign(this, { text, elementClass: className });
  }

  eq(other) {
    return other.text === this.text && other.elementClass === this.elementClass;
  }

  toDOM() {
    return document.createTextNode(this.text);
  }
}
const signs = { break: new Sign('●', 'cm-break'), error: new Sign('✖', 'cm-error'), warning: new Sign('▲', 'cm-warning'),
  note: new Sign('•', 'cm-note') };

export class FileEditor {
  // toggle(line): a breakpoint there asked for; run(): Ctrl+Enter; edited(): the text changed.
  constructor({ parent, path, text, toggle, run, edited }) {
    this.breaks = marks();
    this.diagnosed = marks(); // gutter signs, value: severity
    this.lines = marks(); // line decorations: the marked line and the diagnosed ones
    const { breaks, diagnosed, lines } = this;
    const press = (view, block) => (toggle(view.state.doc.lineAt(block.from).number), true);
    this.view = new EditorView({
      parent,
      doc: text,
      extensions: [
        lineNumbers({ domEventHandlers: { mousedown: press } }),
        gutter({ class: 'cm-signs', markers: (view) => RangeSet.join([view.state.field(breaks.field),
          view.state.field(diagnosed.field)]), domEventHandlers: { mousedown: press } }),
        breaks.field, diagnosed.field, lines.field, EditorView.decorations.from(lines.field),
        history(), drawSelection(), highlightActiveLine(), indentOnInput(), bracketMatching(), highlightSelectionMatches(),
        syntaxHighlighting(classHighlighter), cpp(), EditorView.lineWrapping,
        keymap.of([{ key: 'Mod-Enter', run: () => (run(), true) },
          { key: 'F9', run: (view) => (toggle(view.state.doc.lineAt(view.state.selection.main.head).number), true) },
          indentWithTab, ...defaultKeymap, ...historyKeymap, ...searchKeymap]),
        EditorView.updateListener.of((update) => update.docChanged && edited()),
        EditorView.contentAttributes.of({ 'aria-label': `${path}, to change: Ctrl+Enter runs the change, F9 a breakpoint` }),
      ],
    });
    this.marked = null; // { line, how }
    this.problems = []; // { line, severity }
  }

  get text() {
    return this.view.state.doc.toString();
  }

  set text(text) {
    this.view.dispatch({ changes: { from: 0, to: this.view.state.doc.length, insert: text } });
  }

  // A line's start, or null past the file's end (a stale mark).
  at(line) {
    const { doc } = this.view.state;
    return line >= 1 && line <= doc.lines ? doc.line(line).from : null;
  }

  // The lines with a breakpoint: a Set of line numbers.
  breakpoints(lines) {
    const ranges = [...lines].map((line) => this.at(line)).filter((from) => from !== null).sort((a, b) => a - b)
      .map((from) => signs.break.range(from));
    this.view.dispatch({ effects: this.breaks.set.of(RangeSet.of(ranges)) });
  }

  // The compiler's diagnostics for this file: [{ line, severity }].
  diagnose(problems) {
    this.problems = problems;
    this.redraw();
    const ranges = problems.map(({ line, severity }) => [this.at(line), severity]).filter(([from]) => from !== null)
      .sort(([a], [b]) => a - b).map(([from, severity]) => signs[severity].range(from));
    this.view.dispatch({ effects: this.diagnosed.set.of(RangeSet.of(ranges)) });
  }

  // The line a run stopped before or waits in (how: next, waiting, past, chosen), or none.
  mark(line, how) {
    this.marked = line === null ? null : { line, how };
    this.redraw();
    const from = line === null ? null : this.at(line);
    if (from !== null) {
      this.view.dispatch({ effects: EditorView.scrollIntoView(from, { y: 'nearest' }) });
    }
  }

  redraw() {
    const wanted = this.problems.map(({ line, severity }) => [line, { class: `cm-diagnosed-${severity}` }]);
    if (this.marked !== null) {
      wanted.push([this.marked.line, { class: 'cm-marked', attributes: { 'data-mark': this.marked.how } }]);
    }
    const ranges = wanted.map(([line, spec]) => [this.at(line), spec]).filter(([from]) => from !== null)
      .sort(([a], [b]) => a - b).map(([from, spec]) => Decoration.line(spec).range(from));
    this.view.dispatch({ effects: this.lines.set.of(Decoration.set(ranges, true)) });
  }

  // The lines marked now, as 'line how' (or 'line error' for a diagnostic): what the page shows, for its tests.
  shown() {
    const found = [];
    this.view.state.field(this.lines.field).between(0, this.view.state.doc.length, (from, to, { spec }) => {
      found.push(`${this.view.state.doc.lineAt(from).number} ${spec.attributes?.['data-mark'] ?? spec.class.slice(13)}`);
    });
    return found;
  }

  // The cursor to `line`:`column`, in view and focused: a diagnostic chosen from the list.
  reveal(line, column = 1) {
    const from = this.at(line);
    if (from !== null) {
      const at = Math.min(from + Math.max(column - 1, 0), this.view.state.doc.line(line).to);
      this.view.dispatch({ selection: EditorSelection.cursor(at), scrollIntoView: true });
    }
    this.view.focus();
  }

  destroy() {
    this.view.destroy();
  }
}

globalThis.intkitEditor = { FileEditor };
