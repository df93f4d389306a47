// The README's picture of the page: keyfind stepped into inputArray and
// stopped after reading its first element, at 1280 px, Source beside the
// terminal and the store drawn under it, in headless Chromium, the browser
// the tests drive.
//   node web/screenshot.mjs SITE OUTPUT.png
import { pathToFileURL } from 'node:url';

import { launch } from './browsers.mjs';

const [site, output] = process.argv.slice(2);
const browser = await launch('chromium', ['--hide-scrollbars']);
const page = await browser.newPage();
await page.setViewport({ width: 1280, height: 1280 });
await page.goto(`${pathToFileURL(site).href}/index.html?program=keyfind&step`);
const status = () => page.$eval('#status', (line) => line.textContent);
// Each key once the run has stopped again after the one before; the last one runs into a read, answered.
async function press(keys, answer) {
  for (const [at, key] of keys.entries()) {
    await page.waitForFunction(() => /stopped before/.test(document.getElementById('status').textContent));
    const said = await status();
    await page.keyboard.press(key);
    if (at < keys.length - 1) {
      await page.waitForFunction((before) => document.getElementById('status').textContent !== before, {}, said);
    }
  }
  await page.keyboard.type(answer);
}
await press(['F10', 'F10', 'F10', 'F10', 'F10'], '3\n');
await press(['F11', 'F10', 'F10', 'F10', 'F10', 'F10', 'F10'], '7\n');
await page.waitForFunction(() => /line 9 in inputArray/.test(document.getElementById('status').textContent));
await page.evaluate(() => document.getElementById('run').scrollIntoView());
await page.screenshot({ path: output });
await browser.close();
