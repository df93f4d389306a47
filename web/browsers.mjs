// The three browser engines behind one small interface, for the page's
// tests and benchmarks: Chromium and Firefox through puppeteer-core, and
// WebKitGTK (Safari's engine) through its W3C WebDriver server, which
// puppeteer does not drive. The WebDriver client is the few calls used
// here over fetch, rather than a package, since nothing else needs one.
//   const browser = await launch('webkit'); const page = await browser.open(url);
//   page.evaluate(fn, ...args)  page.type(text)  page.ctrl(key)  page.click(selector)
//   page.upload(selector, path)  page.enter(selector)  page.close()  browser.close()
// where enter() makes evaluate and click act in the frame `selector` names.
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

export function launch(engine) {
  return engine === 'webkit' ? webkit() : viaPuppeteer(engine);
}

async function viaPuppeteer(engine) {
  const browser = await puppeteer.launch({
    browser: engine === 'chromium' ? 'chrome' : 'firefox',
    executablePath: needs[engine][0],
    headless: true,
    // As root Chromium needs --no-sandbox; the rest keeps it off the network.
    args: engine === 'chromium'
      ? ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run', '--hide-scrollbars']
      : [],
  });
  return {
    puppeteer: browser,
    async open(url, prepare = async () => {}) {
      const page = await browser.newPage();
      await prepare(page);
      await page.goto(url);
      let frame = page;
      return {
        page,
        evaluate: (fn, ...args) => frame.evaluate(fn, ...args),
        type: (text) => page.keyboard.type(text),
        async ctrl(key) {
          await page.keyboard.down('Control');
          await page.keyboard.press(`Key${key.toUpperCase()}`);
          await page.keyboard.up('Control');
        },
        click: (selector) => frame.click(selector),
        upload: async (selector, path) => (await page.$(selector)).uploadFile(path),
        enter: async (selector) => (frame = await (await page.$(selector)).contentFrame()),
        close: () => page.close(),
      };
    },
    close: () => browser.close(),
  };
}

const elementKey = 'element-6066-11e4-a52e-4f735466cecf';
const enter = '\uE007';
const control = '\uE009';

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
  const base = `http://127.0.0.1:${port}`;
  async function call(method, path, body) {
    const response = await fetch(`${base}${path}`, {
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
  const keys = (values) => session('POST', '/actions', {
    actions: [{ type: 'key', id: 'keyboard', actions: values.flatMap((value) => [
      { type: 'keyDown', value }, { type: 'keyUp', value }]) }],
  });
  return {
    // One window, which each page in turn takes over.
    async open(url) {
      await session('POST', '/url', { url });
      return {
        evaluate: (fn, ...args) => session('POST', '/execute/sync', { script: `return (${fn}).apply(null, arguments)`, args }),
        type: (text) => keys(Array.from(text, (c) => (c === '\n' ? enter : c))),
        ctrl: (key) => session('POST', '/actions', {
          actions: [{ type: 'key', id: 'keyboard', actions: [
            { type: 'keyDown', value: control }, { type: 'keyDown', value: key },
            { type: 'keyUp', value: key }, { type: 'keyUp', value: control }] }],
        }),
        click: async (selector) => session('POST', `/element/${await find(selector)}/click`, {}),
        upload: async (selector, path) => session('POST', `/element/${await find(selector)}/value`, { text: path }),
        enter: async (selector) => session('POST', '/frame', { id: { [elementKey]: await find(selector) } }),
        close: () => session('POST', '/url', { url: 'about:blank' }),
      };
    },
    async close() {
      await session('DELETE', '').catch(() => {});
      process.kill(-driver.pid);
    },
  };
}
