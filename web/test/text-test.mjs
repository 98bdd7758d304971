// Reads the issue's HTML edition (build-web/text/) in headless Chromium: every
// document from file:// with no request leaving the folder, no axe-core
// violation at WCAG 2.1 AA, headings in order, nothing wider than a 390 x 844
// phone screen; and the web page's "read as text" link opens its index.
// Prints one line per check and ends with "N passed, N failed".
//
//   node text-test.mjs BUILD_DIR [--chromium PATH]
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const args = process.argv.slice(2);
const root = path.resolve(args[0] || 'build-web');
const i = args.indexOf('--chromium');
const browserPath = i >= 0 ? args[i + 1] : process.env.CHROMIUM || '/usr/bin/chromium';
const axePath = createRequire(import.meta.url).resolve('axe-core/axe.min.js');
const textDir = path.join(root, 'text');

let passed = 0;
let failed = 0;
function check(name, ok, detail = '') {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? ` (${detail})` : ''}`);
  return ok;
}

// The web page, served as any static server would (the link is relative).
const types = { '.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript', '.wasm': 'application/wasm' };
const server = http.createServer((req, res) => {
  const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
  const file = path.join(root, name === '/' ? 'index.html' : name);
  if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
    res.writeHead(404).end();
    return;
  }
  res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
  fs.createReadStream(file).pipe(res);
});
await new Promise((r) => server.listen(0, '127.0.0.1', r));
const url = `http://127.0.0.1:${server.address().port}/`;

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zel-chromium-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: browserPath,
  headless: true,
  viewport: { width: 390, height: 844 },
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--allow-file-access-from-files'],
});
const page = context.pages()[0] || (await context.newPage());
const outside = [];
page.on('request', (r) => {
  if (r.url().startsWith('file:') ? !r.url().startsWith(pathToFileURL(textDir).href) : !r.url().startsWith(url)) {
    outside.push(r.url());
  }
});

try {
  const docs = fs.readdirSync(textDir).filter((f) => f.endsWith('.html')).sort();
  check('the edition holds an index and the pages', docs.includes('index.html') && docs.length > 1, `${docs.length} documents`);
  for (const doc of docs) {
    await page.goto(pathToFileURL(path.join(textDir, doc)).href);
    const shape = await page.evaluate(() => {
      const levels = [...document.querySelectorAll('h1, h2, h3, h4, h5, h6')].map((h) => Number(h.tagName[1]));
      const inOrder = levels[0] === 1 && levels.every((l, k) => k === 0 || l <= levels[k - 1] + 1);
      return {
        inOrder, h1: levels.filter((l) => l === 1).length, lang: document.documentElement.lang,
        main: !!document.querySelector('main'), skip: !!document.querySelector('a[href="#main"]'),
        wide: document.documentElement.scrollWidth - window.innerWidth,
      };
    });
    check(`${doc}: lang, one h1, headings in order, main and skip link`,
      shape.lang === 'en' && shape.h1 === 1 && shape.inOrder && shape.main && shape.skip, JSON.stringify(shape));
    check(`${doc}: no wider than 390 px`, shape.wide <= 0, `${shape.wide} px too wide`);
    await page.addScriptTag({ path: axePath });
    const violations = await page.evaluate(async () => {
      const r = await axe.run(document, { runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] } });
      return r.violations.map((v) => `${v.id}: ${v.nodes.length} (${v.nodes[0].target.join(' ')})`);
    });
    check(`${doc}: axe-core finds no WCAG 2.1 AA violation`, violations.length === 0, violations.join('; '));
  }
  check('no document asks for anything outside the folder', outside.length === 0, outside.slice(0, 3).join(' '));

  await page.setViewportSize({ width: 1280, height: 720 });
  await page.goto(url);
  await page.click('#as-text');
  await page.waitForLoadState();
  check('"read as text" opens the index of the text edition', page.url() === `${url}text/index.html` &&
    (await page.locator('nav a[href="p01.html"]').count()) > 0, page.url());
} catch (e) {
  check('the browser session', false, String(e).split('\n')[0]);
} finally {
  await context.close();
  server.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
