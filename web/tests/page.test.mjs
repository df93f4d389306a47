// The page in a real browser, headless, opened from disk and from a static
// server that sends no special headers, used as a person would: typing,
// an answers file, Ctrl-D and Ctrl-C. The bytes of every run are held to
// Linux's by the other suites; this one checks what the page itself can
// break. Run as: node page.test.mjs chromium|firefox (status 77: skipped).
import assert from 'node:assert/strict';
import { existsSync, readFileSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import puppeteer from 'puppeteer-core';

const site = process.env.INTKIT_SITE;
const browsers = {
  chromium: { browser: 'chrome', executablePath: '/usr/bin/chromium' },
  firefox: { browser: 'firefox', executablePath: '/usr/bin/firefox-esr' },
};
const chosen = browsers[process.argv[2]];
if (!existsSync(chosen.executablePath)) {
  console.log(`skipped: ${process.argv[2]} is not installed (${chosen.executablePath})`);
  process.exit(77);
}

let browser;
let server;
const origins = {};

before(async () => {
  server = createServer((request, response) => {
    const path = join(site, decodeURIComponent(new URL(request.url, 'http://x').pathname));
    if (!path.startsWith(site) || !existsSync(path) || path.endsWith('/')) {
      response.writeHead(404).end();
      return;
    }
    const type = { html: 'text/html', js: 'text/javascript', css: 'text/css' }[path.split('.').pop()];
    response.writeHead(200, { 'Content-Type': type ?? 'text/plain' }).end(readFileSync(path));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origins.file = `${pathToFileURL(site).href}/`;
  origins.http = `http://127.0.0.1:${server.address().port}/`;
  browser = await puppeteer.launch({
    ...chosen,
    headless: true,
    // As root Chromium needs --no-sandbox; the rest keeps it off the network.
    args: chosen.browser === 'chrome'
      ? ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run']
      : [],
  });
});

after(async () => {
  await browser?.close();
  server?.close();
});

// A page of the site, watched: every request must stay inside the site, and
// nothing may go wrong in the browser's console.
async function open(origin, query = '') {
  const page = await browser.newPage();
  const problems = [];
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(origins[origin]) && !url.startsWith('blob:') && !url.startsWith('data:')) {
      problems.push(`request outside the site: ${url}`);
    }
  });
  page.on('console', (message) => message.type() === 'error' && problems.push(`console: ${message.text()}`));
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  await page.goto(`${origins[origin]}index.html${query}`);
  page.problems = problems;
  return page;
}

// The terminal's text as it shows it, one line a row, without trailing blanks.
function screen(page) {
  return page.$$eval('.xterm-rows > div', (rows) =>
    rows.map((row) => row.textContent.replace(/\u00a0/g, ' ').trimEnd()).join('\n').trimEnd());
}

async function waitFor(page, check, what) {
  const deadline = Date.now() + 10000;
  for (;;) {
    const text = await screen(page);
    if (check(text)) {
      return text;
    }
    assert.ok(Date.now() < deadline, `waited in vain for ${what}; the terminal shows:\n${text}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

const status = (page) => page.$eval('#status', (element) => element.textContent);

async function ctrl(page, key) {
  await page.keyboard.down('Control');
  await page.keyboard.press(key);
  await page.keyboard.up('Control');
}

for (const origin of ['file', 'http']) {
  test(`${origin}: keyfind named in the link, answered prompt by prompt`, async () => {
    const page = await open(origin, '?program=keyfind');
    const answers = [
      ['Enter number elements (max): ', '3'],
      ['Element [0]: ', '1'],
      ['Element [1]: ', '-2'],
      ['Element [2]: ', '3'],
      ['Enter element to search (x):', '-2'],
    ];
    for (const [prompt, answer] of answers) {
      await waitFor(page, (text) => text.endsWith(prompt.trimEnd()), prompt);
      await page.keyboard.type(`${answer}\n`);
    }
    const transcript = `Enter number elements (max): 3
Enter 3 elements:
Element [0]: 1
Element [1]: -2
Element [2]: 3
Enter element to search (x):-2
5. Element -2 is present in the array.`;
    await waitFor(page, (text) => text === transcript, 'the whole transcript');
    assert.match(await status(page), /^keyfind exited with status 0/);
    assert.equal(await page.evaluate(() => crossOriginIsolated), false);
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  test(`${origin}: an answers file as the whole input, typed input kept until asked, Ctrl-D`, async () => {
    const page = await open(origin);
    await page.click('button[data-program="keyfreq"]');
    const answers = join(tmpdir(), 'intkit-answers.txt');
    writeFileSync(answers, '5\r\n4\r\n7\r\n4\r\n4\r\n1\r\n4\r\n');
    await (await page.$('#answers')).uploadFile(answers);
    const out = `Enter number of elements (max 100): Enter 5 elements:
Element [0]: Element [1]: Element [2]: Element [3]: Element [4]: Enter the element to count its frequency: Frequency of 4 in array: 3`;
    await waitFor(page, (text) => text.replace(/\n(?!Element \[0\]|Frequency)/g, '') === out.replace(/\n(?!Element \[0\]|Frequency)/g, ''), 'the answers file run');
    assert.match(await status(page), /^keyfreq < intkit-answers\.txt exited with status 0/);

    // Typed ahead of the prompts, then the end of input after the count.
    await page.click('button[data-program="divisorsum"]');
    await page.keyboard.type('28\n');
    await waitFor(page, (text) => text.endsWith('28 is a Perfect Number'), 'divisorsum');
    await page.click('button[data-program="keyfind"]');
    await page.keyboard.type('2 7\n');
    await ctrl(page, 'KeyD');
    // 7, then nothing: the second element and the key read as 0.
    const unwrapped = (text) => text.replace(/\n/g, '');
    await waitFor(page, (text) => unwrapped(text).endsWith('Element 0 is present in the array.'), 'the end of input');
    assert.match(await status(page), /^keyfind exited with status 0/);
    assert.deepEqual(page.problems, []);
    await page.close();
  });
}

test('file: Ctrl-C stops digitstair 20000 within a second, and the page still answers', async () => {
  const page = await open('file', '?program=digitstair');
  await waitFor(page, (text) => text.endsWith('enter a num:'), 'the prompt');
  await page.keyboard.type('20000\n');
  const written = async () => Number((await status(page)).match(/([\d,]+) bytes/)?.[1].replace(/,/g, '') ?? 0);
  while ((await written()) < 2_000_000) {
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  const pressed = Date.now();
  await ctrl(page, 'KeyC');
  await page.waitForFunction(() => document.getElementById('status').textContent.includes('stopped by Ctrl-C'));
  const took = Date.now() - pressed;
  console.log(`# Ctrl-C stopped the output in ${took} ms`);
  const stopped = await screen(page);
  await new Promise((resolve) => setTimeout(resolve, 500));
  assert.equal(await screen(page), stopped, 'output went on after Ctrl-C');
  assert.ok(took < 1000, `stopping took ${took} ms`);
  assert.match(stopped, /\^C$/);
  await page.click('button[data-program="gridmath"]');
  await waitFor(page, (text) => text.startsWith('The array after addition:') && text.endsWith('12'), 'gridmath');
  assert.deepEqual(page.problems, []);
  await page.close();
});
