// Stepping a run, statement by statement as the compiler's line table has
// them: Step (F10) over calls, Step into (F11) a function of the files
// Source shows, Step out (Shift+F11), Continue (F8) to the next breakpoint;
// where it stopped, marked in Source and shown in Variables with the call
// stack; Back and Forward through the stops before, with the output as it
// stood then; breakpoints set from Source's line numbers. The page (page.js) hands it the run and what to
// say; the run itself is runner.js's.
import { toggled } from './breakpoints.js';
import { ScreenThen } from './screen-then.js';
import { VariablesView } from './variables-view.js';

export class Stepping {
  // page: { session, source, trace, terminal, say(text), command(), start(stepping), running(running) }.
  constructor(element, page) {
    this.page = page;
    this.element = element;
    this.fromEarlier = false; // the step asked for was from a stop before the latest
    this.variables = new VariablesView({ panel: element('variables'), frames: element('frames'),
      announce: element('variables-said'), choose: (frame) => page.source.mark(frame, 'chosen'),
      drawn: element('drawn') });
    this.then = new ScreenThen(element('terminal'), element('then'));
    globalThis.intkitVariables = this.variables; // for the tests
    for (const [id, act] of Object.entries({ step: () => this.step('over'), 'step-into': () => this.step('into'),
      'step-out': () => this.step('out'), continue: () => this.proceed(), back: () => this.go(-1),
      forward: () => this.go(1) })) {
      element(id).addEventListener('click', act);
    }
  }

  // The keys of the editors learners use; true where `event` was one.
  key(event) {
    const act = { F10: () => this.step('over'), F11: () => this.step(event.shiftKey ? 'out' : 'into'),
      F8: () => this.proceed() }[event.key];
    if (act === undefined || event.repeat) {
      return act !== undefined;
    }
    act();
    return true;
  }

  get run() {
    return this.page.session.run;
  }

  // A step of the run; with no run going, the program again, stopped before its first statement.
  step(how) {
    if (this.run?.running) {
      this.fromEarlier = !this.variables.atLatest;
      this.run.step(how);
      this.page.running(true);
    } else if (this.page.session.name !== null) {
      this.page.start(true);
    }
  }

  proceed() {
    if (this.run?.running) {
      this.run.resume();
      this.unmark();
      this.page.running(true);
    }
  }

  // Stopped before a statement, all output before it shown.
  paused(stop) {
    const { file, line, frames } = stop;
    this.page.source.mark(stop, 'next');
    stop.screen = ScreenThen.keep(this.page.terminal);
    this.variables.show(stop);
    this.then.show(null);
    const went = this.fromEarlier ? 'Went on from the latest stop: ' : '';
    this.fromEarlier = false;
    this.page.say(`${went}${this.page.command()} stopped before ${file} line ${line}${frames.length > 0
      ? ` in ${frames[0].name}` : ''}: Step (F10), Step into (F11), Step out (Shift+F11), Continue (F8).`);
    this.page.running(true);
  }

  // Back (-1) or Forward (1) through the stops shown before: the program stays where it is.
  go(by) {
    const stop = by < 0 ? this.variables.back() : this.variables.forward();
    if (stop !== null) {
      this.page.source.mark(stop, this.variables.atLatest ? 'next' : 'past');
      const { at, count } = this.variables.position;
      this.then.show(this.variables.atLatest ? null : stop.screen, at, count);
      this.page.say(`Stop ${at} of ${count}: ${stop.file} line ${stop.line}; ${stop.written.toLocaleString('en')}`
        + ` bytes of output written by then.${this.variables.atLatest ? '' : ' Step goes on from the latest stop.'}`);
    }
    this.update(this.run?.running ?? false);
  }

  // The run has moved on from where it stopped or waited, or ended.
  unmark() {
    this.page.source.mark(null);
    this.then.show(null);
    this.page.trace.upcomingCall(null);
  }

  reading(call) {
    if (call !== null) {
      this.page.trace.upcomingCall(call, 'waiting');
      this.page.source.mark(call, 'waiting');
    }
  }

  // A line's number pressed in Source: its breakpoint set or taken away.
  toggle(file, line) {
    const { session, source } = this.page;
    const lines = source.statementLines(file);
    if (lines !== null && !lines.has(line)) {
      this.page.say(`Line ${line} of ${file} has no statement to stop before.`);
      return;
    }
    this.breaks(toggled(session.breaks, file, line));
    this.page.say(session.breaks.has(`${file}:${line}`) ? `A breakpoint on ${file} line ${line}: Continue (F8) runs`
      + ' to it.' : `No breakpoint on ${file} line ${line} now.`);
  }

  breaks(breaks) {
    this.page.session.breaks = breaks;
    this.page.source.breakpoints(breaks);
    this.run?.breaks(breaks);
  }

  // A new run, or another program: nothing of the last run's stops is shown.
  restart() {
    this.variables.clear();
    this.then.show(null);
    const { session, source } = this.page;
    // Another program's breakpoints are not this one's.
    session.breaks = new Set([...session.breaks].filter((key) => source.statementLines(key.replace(/:\d+$/, ''))
      !== null));
    source.breakpoints(session.breaks);
  }

  update(running) {
    const { element } = this;
    for (const id of ['step', 'step-into', 'step-out']) {
      element(id).disabled = this.page.session.name === null;
    }
    element('continue').disabled = !running || !this.run?.stepping;
    const { at, count } = this.variables.position;
    element('back').disabled = at <= 1;
    element('forward').disabled = at >= count;
  }
}
