// The three browser engines as puppeteer drives them, for the page's tests,
// benchmarks and picture: Chromium and Firefox through puppeteer-core, and
// WebKitGTK (Safari's engine) through its W3C WebDriver server, which
// puppeteer does not drive, behind the part of puppeteer's Page that they
// use. The WebDriver client is the few calls needed over fetch, rather
// than a package, since nothing else needs one. WebDriver sees no requests
// and runs no script before a page's own: on('request') is never called,
// and evaluateOnNewDocument's scripts run once the page has loaded.
//   const browser = await launch('webkit'); const page = await browser.newPage();
// missing(engine) tells what is not installed, if anything.
import { spawn } from 'node:child_process';
import { existsSync } from 'node:fs';
import { createServer } from 'node:net';

import puppeteer from 'puppeteer-core';

const miniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const needs = {
  chromium: ['/usr/bin/chromium'],
  firefox: ['/usr/bin/firefox-esr'],
  webkit: ['/usr/bin/WebKitWebDriver', '/usr/bin/xvfb-run', miniBrowser],
};

export function missing(engine) {
  return needs[engine].filter((path) => !existsSync(path)).join(', ');
}

export function launch(engine, args = []) {
  if (engine === 'webkit') {
    return webkit();
  }
  return puppeteer.launch({
    browser: engine === 'chromium' ? 'chrome' : 'firefox',
    executablePath: needs[engine][0],
    headless: true,
    // As root Chromium needs --no-sandbox; the rest keeps it off the network.
    args: engine === 'chromium'
      ? ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run', ...args]
      : args,
  });
}

const elementKey = 'element-6066-11e4-a52e-4f735466cecf';
// puppeteer's names of keys, as WebDriver's code points.
const keyValue = (key) => ({
  Control: '\uE009', Enter: '\uE007', '\n': '\uE007', Backspace: '\uE003', Tab: '\uE004', F8: '\uE038', F10: '\uE03A', F11: '\uE03B',
  Shift: '\uE008',
  ArrowDown: '\uE015', ArrowUp: '\uE013', Home: '\uE011', End: '\uE010',
})[key] ??
  (key.startsWith('Key') ? key.slice(3).toLowerCase() : key);

async function freePort() {
  const server = createServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

async function webkit() {
  const port = await freePort();
  // Its own process group, so that closing ends Xvfb and the browser too.
  const driver = spawn('xvfb-run', ['-a', needs.webkit[0], `--port=${port}`], { detached: true, stdio: 'ignore' });
  async function call(method, path, body) {
    const response = await fetch(`http://127.0.0.1:${port}${path}`, {
      method,
      headers: { 'Content-Type': 'application/json' },
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    const { value } = await response.json();
    if (!response.ok) {
      throw new Error(`WebDriver ${method} ${path}: ${value.error}: ${value.message}`);
    }
    return value;
  }
  for (let tries = 0; !(await call('GET', '/status').catch(() => null))?.ready; tries++) {
    if (tries === 100) {
      throw new Error('WebKitWebDriver did not start');
    }
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  const { sessionId } = await call('POST', '/session', {
    capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': { binary: miniBrowser, args: ['--automation'] } } },
  });
  const session = (method, path, body) => call(method, `/session/${sessionId}${path}`, body);
  const find = async (selector) => (await session('POST', '/element', { using: 'css selector', value: selector }))[elementKey];
  const keys = (actions) => session('POST', '/actions', { actions: [{ type: 'key', id: 'keyboard', actions }] });
  const onLoad = [];
  // The one window, which each page in turn takes over.
  const page = {
    on() {},
    async bringToFront() {},
    async evaluateOnNewDocument(fn, ...args) {
      onLoad.push([fn, args]);
    },
    async goto(url) {
      await session('POST', '/url', { url });
      for (const [fn, args] of onLoad) {
        await page.evaluate(fn, ...args);
      }
    },
    evaluate: (fn, ...args) => session('POST', '/execute/sync', { script: `return (${fn}).apply(null, arguments)`, args }),
    // A script run as it stands, as puppeteer's evaluate runs a string.
    script: (source) => session('POST', '/execute/sync', { script: source, args: [] }),
    $eval: (selector, fn, ...args) => page.evaluate(`(s, ...a) => (${fn})(document.querySelector(s), ...a)`, selector, ...args),
    $$eval: (selector, fn, ...args) => page.evaluate(`(s, ...a) => (${fn})(Array.from(document.querySelectorAll(s)), ...a)`,
      selector, ...args),
    async waitForFunction(fn, options, ...args) {
      while (!(await page.evaluate(fn, ...args))) {
        await new Promise((resolve) => setTimeout(resolve, 50));
      }
    },
    setViewport: ({ width, height }) => session('POST', '/window/rect', { width, height }),
    click: async (selector) => session('POST', `/element/${await find(selector)}/click`, {}),
    $: async (selector) => {
      const element = { [elementKey]: await find(selector) };
      return {
        uploadFile: (path) => session('POST', `/element/${element[elementKey]}/value`, { text: path }),
        // The page's calls then act in the frame, as the frame's own would.
        contentFrame: async () => (await session('POST', '/frame', { id: element }), page),
      };
    },
    keyboard: {
      type: (text) => keys(Array.from(text, keyValue).flatMap((value) => [
        { type: 'keyDown', value }, { type: 'keyUp', value }])),
      down: (key) => keys([{ type: 'keyDown', value: keyValue(key) }]),
      up: (key) => keys([{ type: 'keyUp', value: keyValue(key) }]),
      press: (key) => keys([{ type: 'keyDown', value: keyValue(key) }, { type: 'keyUp', value: keyValue(key) }]),
    },
    async close() {
      onLoad.length = 0;
      await session('POST', '/url', { url: 'about:blank' });
    },
  };
  return {
    newPage: async () => page,
    async close() {
      await session('DELETE', '').catch(() => {});
      process.kill(-driver.pid);
    },
  };
}
