// Reads the web edition in headless Chromium the way a reader would: serves
// build-web/ on 127.0.0.1, opens the page, clicks start, then checks frames,
// the intro picture, keys, mouse and wheel on the main screen, the sound, and
// quitting and reading again; then as a phone (touch, device scale 3, in
// landscape and in portrait): taps, a finger on the page, the key strip and
// the layout; then the issue's HTML edition (build-web/text/, skipped with
// --shot or --phone-shot). Prints one line per check and ends with
// "N passed, N failed"; exits 1 when a check failed. Each phone prints its
// frame rate with the CPU throttled 4 times as an "info" line, a figure and
// not a check (bench/web-speed.mjs measures frame rates properly).
//
//   node web-test.mjs BUILD_DIR [--shot FILE.png] [--phone-shot FILE.png] [--chromium PATH] [--tool ZELVORANT-TOOL]
//
// With the desktop's zelvorant-tool at hand (by default build/zelvorant-tool
// beside BUILD_DIR) it also compares the intro's tune and the module the main
// screen plays with the tool's renders, sample for sample; without it those
// checks are skipped.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { serveFolder } from '../static-server.mjs';
import { sleep, stats, waitOn, rate, throttled, describeRate, phone, openBrowser } from '../page-stats.mjs';
import { pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const args = process.argv.slice(2);
const root = path.resolve(args[0] || 'build-web');
const option = (name, fallback) => {
  const i = args.indexOf(name);
  return i >= 0 ? args[i + 1] : fallback;
};
const shotFile = option('--shot', null);
const phoneShot = option('--phone-shot', null);  // the portrait phone's main screen, as the page shows it
const browserPath = option('--chromium', process.env.CHROMIUM || '/usr/bin/chromium');
const tool = option('--tool', path.join(root, '..', 'build', 'zelvorant-tool'));

let passed = 0;
let failed = 0;
let skipped = 0;
function check(name, ok, detail = '') {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? ` (${detail})` : ''}`);
  return ok;
}

// ---- the page, served as any static server would ------------------------------
const { server, base } = await serveFolder(root);
const url = base;

// Runs `body(page, ctx, dir, errors)` in a browser with a profile of its own
// (`device` adds to the desktop's 1280x720); `errors` gathers the page's
// uncaught errors, and a throw fails "<prefix>the session ran to its end".
async function session(prefix, device, body) {
  const { ctx, pg, dir, close } = await openBrowser(chromium, browserPath, device, ['--allow-file-access-from-files']);
  const errors = [];
  pg.on('pageerror', (e) => errors.push(String(e)));
  try {
    await body(pg, ctx, dir, errors);
  } catch (e) {
    check(`${prefix}the session ran to its end`, false, String(e).split('\n')[0]);
  } finally {
    await close();
  }
}

// A picture pixel's centre in a page's CSS pixels, through the last frame's fit.
const pointOn = (pg, px, py) => pg.evaluate(([x, y]) => {
  const f = ZelWeb.fit;
  const r = ZelWeb.canvas.getBoundingClientRect();
  const k = r.width / ZelWeb.outW;
  return { x: r.left + (f.x + ((x + 0.5) * f.w) / 800) * k, y: r.top + (f.y + ((y + 0.5) * f.h) / 600) * k };
}, [px, py]);

// The 16-bit samples of a WAV file's data chunk.
function wavSamples(file) {
  const b = fs.readFileSync(file);
  for (let at = 12; at + 8 <= b.length; ) {
    const size = b.readUInt32LE(at + 4);
    if (b.toString('latin1', at, at + 4) === 'data') {
      return new Int16Array(b.buffer.slice(b.byteOffset + at + 8, b.byteOffset + at + 8 + size));
    }
    at += 8 + size + (size & 1);
  }
  return new Int16Array(0);
}

// Rows of the intro's raster bars for an intro phase: the blue level of each
// row they cover (-1 elsewhere), later bars over earlier ones.
function rasterRows(phase) {
  const rows = new Array(600).fill(-1);
  const roundEven = (v, f = Math.floor(v)) => (v - f > 0.5 || (v - f === 0.5 && f % 2 !== 0) ? f + 1 : f);
  const bar = (step, top) => {
    for (let r = 0; r < 32; r++) {
      const y = top + r;
      if (y >= 0 && y < 600) rows[y] = r < 16 ? step * (r + 1) : step * (31 - r);
    }
  };
  for (let k = 1; k <= 7; k++) {
    const a = Math.sin(((4 * k + phase) * 3.14) / 90);
    bar(2 * k, roundEven(a * 100 + 375));
    bar(k, roundEven(a * -80 + 595));
  }
  return rows;
}

await session('', {}, async (page, context, profile, pageErrors) => {
  page.on('console', (m) => m.type() === 'error' && pageErrors.push(m.text()));
  async function clickAt(px, py) {  // the pointer there a moment before the button goes down
    const p = await pointOn(page, px, py);
    await page.mouse.move(p.x, p.y);
    await sleep(50);
    await page.mouse.click(p.x, p.y, { delay: 100 });
  }

  await page.goto(url);
  await page.waitForSelector('body[data-ready="1"]', { timeout: 30000 });
  const label = (await page.textContent('#start-button')).trim();
  check('the page loads and offers "click to start"', label === 'click to start', label);

  // ---- frames -------------------------------------------------------------------
  await page.evaluate(() => { ZelWeb.capture = {}; });
  await page.mouse.click(640, 300);
  let s = await waitOn(page, (x) => x.frames > 0 && x.state.phase === 'intro', 10000);
  check('the start click runs the program to the intro', s.state.phase === 'intro', `phase ${s.state.phase}`);
  const r = await rate(page, 5);
  s = await stats(page);
  check('frames arrive at 50 fps or more', r.fps >= 50,
    `${r.fps.toFixed(1)} fps over 5 s, the program busy ${r.work.toFixed(1)} ms of each`);

  // ---- the intro picture: raster bars on their rows --------------------------------
  // One frame as drawn and as shown, kept by the page when it drew it.
  await page.evaluate(() => { ZelWeb.kept = null; ZelWeb.keep = true; });
  await page.waitForFunction(() => ZelWeb.kept && ZelWeb.kept.phase !== undefined);
  const probe = await page.evaluate(() => {
    const k = ZelWeb.kept;
    ZelWeb.keep = false;
    const f = ZelWeb.fit;
    const src = [];
    const out = [];
    for (let y = 0; y < 600; y++) {
      src.push(...k.picture.subarray(4 * 800 * y, 4 * 800 * y + 4));
      const oy = Math.floor(((y + 0.5) * k.ch) / 600);
      out.push(Array.from(k.shown.subarray(4 * oy * k.cw, 4 * oy * k.cw + 4)));
    }
    // Where the browser shows the canvas (object-fit: contain), in device pixels.
    const r = ZelWeb.canvas.getBoundingClientRect();
    const scale = Math.min(r.width / k.cw, r.height / k.ch) * devicePixelRatio;
    const box = { w: k.cw * scale, h: k.ch * scale };
    box.x = (r.width * devicePixelRatio - box.w) / 2;
    box.y = (r.height * devicePixelRatio - box.h) / 2;
    const placed = [box.x - f.x, box.y - f.y, box.w - f.w, box.h - f.h].every((d) => Math.abs(d) <= 1);
    return { phase: k.phase, src, shown: out, placed };
  });
  const rows = rasterRows(probe.phase);
  let expected = 0;
  let exact = 0;
  let close = 0;
  for (let y = 0; y < 600; y++) {
    if (rows[y] < 0) continue;
    expected++;
    const [r, g, b] = probe.src.slice(4 * y, 4 * y + 3);
    if (r === 0 && g === 0 && b === rows[y]) exact++;
    const [sr, sg, sb] = probe.shown[y];
    if (sr <= 8 && sg <= 8 && Math.abs(sb - rows[y]) <= 12) close++;
  }
  check('the raster bars are on their rows in the picture', expected > 0 && exact >= 0.9 * expected,
    `${exact} of ${expected} bar rows exact at x = 0`);
  check('the canvas shows them scaled to the window', close >= 0.9 * expected && probe.placed,
    `${close} of ${expected} rows, picture at ${s.fit.w}x${s.fit.h}+${s.fit.x}+${s.fit.y}`);

  // ---- main screen: Escape, CHARTS, F2, wheel ----------------------------------------
  const tune = s.state.current_tune;
  await page.keyboard.press('Escape', { delay: 150 });
  s = await waitOn(page, (x) => x.state.phase === 'main', 8000);
  await sleep(700);  // the page's wipe and the first frames
  const m = await rate(page, 1);
  check('Escape held for a few frames leads to the main screen', s.state.phase === 'main',
    `phase ${s.state.phase}; there ${m.fps} frames in 1 s, the program busy ${m.work.toFixed(1)} ms of each`);
  if (shotFile) await page.screenshot({ path: shotFile });

  const menuBefore = s.state.current_menu;
  await clickAt(35 + 44, 65 + 9);  // CHARTS, 'Grunge'
  s = await waitOn(page, (x) => x.state.current_menu === 1, 3000);
  check('a click on CHARTS at its scaled place opens the charts menu', menuBefore === 2 && s.state.current_menu === 1,
    `current_menu ${menuBefore} -> ${s.state.current_menu}`);

  await page.keyboard.press('F2', { delay: 100 });
  s = await waitOn(page, (x) => x.state.skin === 2, 3000);
  check('F2 switches to the \'Carbon\' skin', s.state.skin === 2, `skin ${s.state.skin}`);

  const p = await pointOn(page, 400, 400);
  await page.mouse.move(p.x, p.y);
  const topBefore = s.state.top_line;
  for (let i = 0; i < 4; i++) {
    await page.mouse.wheel(0, 100);
    await sleep(60);
  }
  s = await waitOn(page, (x) => x.state.top_line > topBefore, 3000);
  const down = s.state.top_line;
  await page.mouse.wheel(0, -100);
  s = await waitOn(page, (x) => x.state.top_line < down, 3000);
  check('the wheel scrolls the page down and back up', down > topBefore && s.state.top_line < down,
    `top_line ${topBefore} -> ${down} -> ${s.state.top_line}`);
  // Most frames send the canvas only the rows that changed; after a skin
  // change and scrolling it must still hold the program's picture exactly.
  await page.evaluate(() => { ZelWeb.kept = null; ZelWeb.keep = true; });
  await page.waitForFunction(() => ZelWeb.kept && ZelWeb.kept.phase !== undefined);
  const differ = await page.evaluate(() => {
    const k = ZelWeb.kept;
    ZelWeb.keep = false;
    return k.shown.length !== k.picture.length ? -1 : k.picture.reduce((n, v, i) => n + (v !== k.shown[i]), 0);
  });
  check('the canvas holds the program\'s picture exactly', differ === 0, `${differ} bytes differ`);

  // The full-screen button: the stage takes the whole screen, the picture its
  // largest fit. (The reader leaves with Escape, which is the browser's.)
  await page.click('#fullscreen', { timeout: 5000 });
  s = await waitOn(page, (x) => x.fit.h === 720, 3000);
  const inFull = await page.evaluate(() => document.fullscreenElement && document.fullscreenElement.id);
  await page.evaluate(() => document.exitFullscreen());
  const back = await waitOn(page, (x) => x.fit.h < 720, 3000);
  check('"full screen" fills the screen with the picture, which shrinks again after',
    inFull === 'stage' && s.fit.w === 960 && s.fit.x === 160 && back.fit.h < 720,
    `${inFull}: ${s.fit.w}x${s.fit.h}+${s.fit.x}+${s.fit.y}, then ${back.fit.w}x${back.fit.h}`);

  // ---- sound ---------------------------------------------------------------------------
  await sleep(500);
  s = await stats(page);
  check('the AudioContext runs, what it played is not silent, and the streams never ran dry',
    s.audio.state === 'running' && s.audio.played > s.audio.rate && s.audio.peak > 1000 && s.audio.underruns === 0,
    `${s.audio.state}, ${s.audio.played} frames played, peak ${s.audio.peak}, ${s.audio.underruns} gaps`);

  // Behind another tab the page gets no animation frames: the program goes on
  // at the pace of timers, and the sound must not run dry meanwhile. (Opening
  // the other tab itself may hold the page up for longer than the lead.)
  const other = await context.newPage();
  await other.bringToFront();
  await sleep(500);
  const behind = await stats(page);
  await sleep(2500);
  s = await stats(page);
  await other.close();
  await page.bringToFront();
  check('behind another tab the sound goes on without gaps',
    s.audio.underruns === behind.audio.underruns && s.audio.played - behind.audio.played > 2 * s.audio.rate,
    `${s.audio.underruns - behind.audio.underruns} gaps, ${s.frames - behind.frames} frames in 2.5 s`);

  // A hidden page draws nothing while the program and its sound go on.
  // (Headless Chromium never hides a page: the page is told it is hidden.)
  const setHidden = (hidden) => page.evaluate((h) => {
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => h });
    Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => (h ? 'hidden' : 'visible') });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  await setHidden(true);
  await sleep(200);
  const hidden0 = await stats(page);
  await sleep(1000);
  const hidden1 = await stats(page);
  await setHidden(false);
  s = await waitOn(page, (x) => x.frames > hidden1.frames + 10, 3000);
  check('a hidden page draws no frames, and draws again when shown',
    hidden1.frames === hidden0.frames && hidden1.audio.played - hidden0.audio.played > 0.8 * s.audio.rate &&
      s.frames > hidden1.frames + 10,
    `${hidden1.frames - hidden0.frames} frames hidden for 1 s, then ${s.frames - hidden1.frames}`);

  // ---- quit, read again --------------------------------------------------------------
  await clickAt(25 + 38, 49 + 9);  // QUIT, 'Carbon'
  s = await waitOn(page, (x) => x.state.phase === 'ended', 5000);
  const ended = await page.evaluate(() => document.getElementById('stage').classList.contains('ended'));
  const framesAtEnd = s.frames;
  await sleep(500);
  const after = await stats(page);
  check('QUIT shows the last frame dimmed with "read again", nothing left running',
    s.state.phase === 'ended' && s.state.status === 0 && ended && after.frames === framesAtEnd &&
      after.audio.state === 'closed',
    `phase ${s.state.phase}, status ${s.state.status}, frames ${framesAtEnd} -> ${after.frames}, audio ${after.audio.state}`);

  // Everything the page played of the intro's tune, and of module 1 from the
  // main screen's start to QUIT (across the ring's turns, behind another tab
  // and hidden), is the desktop's render; read out now that nothing plays.
  const captured = (channels) => page.evaluate((ch) => {
    const all = [].concat(...(ZelWeb.capture[ch] || []).map((part) => Array.from(part)));
    return all.slice(0, 15 * 44100 * ch);
  }, channels);
  const heard = { module: await captured(2), tune: await captured(1) };
  await page.evaluate(() => { ZelWeb.capture = null; });
  for (const [what, command, channels, number] of [['module', 'render-xm', 2, 1], ['tune', 'render-sid', 1, tune]]) {
    const name = `the page plays ${what} ${number} sample for sample as the desktop renders it`;
    if (!fs.existsSync(tool)) {
      skipped++;
      console.log(`skip ${name} (no ${tool})`);
      continue;
    }
    const wav = path.join(profile, `${what}.wav`);
    execFileSync(tool, [command, String(number), '15', wav]);
    const want = wavSamples(wav);
    const got = heard[what];
    const compared = Math.min(got.length, want.length);
    let same = 0;
    while (same < compared && got[same] === want[same]) same++;
    check(name, compared >= 3 * 44100 * channels && same === compared,
      `${Math.floor(same / channels)} frames of ${Math.floor(compared / channels)} the same`);
  }

  await page.click('#again-button');
  s = await waitOn(page, (x) => x.state.phase === 'intro' && x.frames > framesAtEnd + 30, 8000);
  check('"read again" starts the magazine anew', s.state.phase === 'intro' && s.audio.state === 'running',
    `phase ${s.state.phase}, ${s.frames - framesAtEnd} new frames, audio ${s.audio.state}`);
  check('no errors on the page', pageErrors.length === 0, pageErrors.slice(0, 3).join(' | '));
});

// ---- phones: taps, a finger on the page, the key strip, layouts --------
for (const [name, device] of [['landscape phone', phone(844, 390)], ['portrait phone', phone(390, 844)]]) {
  await session(`${name}: `, device, async (pg, ctx, dir, errors) => {
    const tapAt = async (px, py) => {
      const p = await pointOn(pg, px, py);
      await pg.touchscreen.tap(p.x, p.y);
    };
    const stripKey = (set, label) => pg.locator(`#strip .${set} button`, { hasText: new RegExp(`^${label}$`) }).tap();
    await pg.goto(url);
    await pg.waitForSelector('body[data-ready="1"]', { timeout: 30000 });
    await pg.tap('#start-button');
    let s = await waitOn(pg, (x) => x.frames > 0 && x.state.phase === 'intro', 10000);
    const vw = device.viewport.width * 3;
    const vh = device.viewport.height * 3;
    const landscape = vw > vh;
    const strip = await pg.locator('#strip .intro').boundingBox();
    // Landscape: as high as the screen, keys beside it; portrait: the full width at the top, keys below.
    const fits = landscape ? s.fit.h === vh && strip && strip.x * 3 >= s.fit.x + s.fit.w
      : s.fit.w === vw && s.fit.y === 0 && strip && strip.y * 3 >= s.fit.h;
    check(`${name}: a tap on the start panel starts the intro; picture and keys laid out`, s.state.phase === 'intro' && fits,
      `picture ${s.fit.w}x${s.fit.h}+${s.fit.x}+${s.fit.y} of ${vw}x${vh}, keys at ${strip && `${strip.x},${strip.y}`}`);

    const tune = s.state.current_tune === 3 ? 4 : 3;
    await stripKey('intro', tune);
    s = await waitOn(pg, (x) => x.state.current_tune === tune, 3000);
    check(`${name}: the strip's tune key changes the tune`, s.state.current_tune === tune, `tune ${s.state.current_tune}`);

    await tapAt(400, 300);
    s = await waitOn(pg, (x) => x.state.phase === 'main', 8000);
    check(`${name}: a tap leaves the intro`, s.state.phase === 'main', `phase ${s.state.phase}`);
    await sleep(700);

    await tapAt(79, 74);  // CHARTS, 'Grunge'
    s = await waitOn(pg, (x) => x.state.current_menu === 1, 3000);
    check(`${name}: a tap on CHARTS opens the charts menu`, s.state.current_menu === 1, `current_menu ${s.state.current_menu}`);

    // On the editorial (49 lines): a finger dragged up 144 picture pixels (12 rows), then down 96 (8 rows).
    const drag = (rows) => fingerDrag(400, 300 + 12 * Math.max(rows, 0), 400, 300 + 12 * Math.max(-rows, 0));
    const fingerDrag = async (x0, y0, x1, y1) => {
      const from = await pointOn(pg, x0, y0);
      const to = await pointOn(pg, x1, y1);
      const cdp = await ctx.newCDPSession(pg);
      const touch = (type, p) => cdp.send('Input.dispatchTouchEvent', { type, touchPoints: p ? [{ x: p.x, y: p.y }] : [] });
      await touch('touchStart', from);
      for (let i = 1; i <= 12; i++) {
        await touch('touchMove', { x: from.x + ((to.x - from.x) * i) / 12, y: from.y + ((to.y - from.y) * i) / 12 });
        await sleep(20);
      }
      await touch('touchEnd', null);
      await cdp.detach();
      await sleep(300);
      return (await stats(pg)).state.top_line;
    };
    const top0 = s.state.top_line;
    const top1 = await drag(12);
    const top2 = await drag(-8);
    check(`${name}: a finger on the page scrolls it with the finger`,
      Math.abs(top1 - top0 - 12) <= 4 && Math.abs(top1 - top2 - 8) <= 4,
      `top_line ${top0} -> ${top1} (up 12 rows) -> ${top2} (down 8)`);
    // A finger on the scroll bar drags it as the mouse does: to the bar's foot is the page's end.
    const top3 = await fingerDrag(783, 210, 783, 555);
    check(`${name}: a finger drags the scroll bar`, top3 === s.state.page_length - 33, `top_line ${top2} -> ${top3}`);

    const length = s.state.page_length;
    await tapAt(200, 66);  // the charts menu's first entry
    s = await waitOn(pg, (x) => x.state.page_length !== length, 5000);
    check(`${name}: a tap on a menu entry opens its page`, s.state.page_length !== length,
      `page_length ${length} -> ${s.state.page_length}`);
    await sleep(3000);  // the page's wipe

    await stripKey('main', 'skin 2');
    s = await waitOn(pg, (x) => x.state.skin === 2, 3000);
    check(`${name}: the strip's skin key changes the skin`, s.state.skin === 2, `skin ${s.state.skin}`);
    if (phoneShot && !landscape) await pg.screenshot({ path: phoneShot });
    // A figure, not a check (the machine's load sets it): bench/web-speed.mjs measures it properly.
    console.log(`info ${name}: with the CPU throttled 4 times, ${describeRate(await throttled(pg, 4, 3))}`);
    check(`${name}: no errors on the page`, errors.length === 0, errors.slice(0, 3).join(' | '));
  });
}

// ---- the HTML edition: every document from file:// with no request leaving the
// folder, no axe-core violation at WCAG 2.1 AA, headings in order, nothing wider
// than a 390 x 844 phone screen; and the web page's "read as text" link ------------
if (!shotFile && !phoneShot) {
  await session('text edition: ', { viewport: { width: 390, height: 844 } }, async (page) => {
    const textDir = path.join(root, 'text');
    const outside = [];
    const inside = (u) => u.startsWith(u.startsWith('file:') ? pathToFileURL(textDir).href : url);
    page.on('request', (r) => inside(r.url()) || outside.push(r.url()));
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
      check(`${doc}: lang, one h1, headings in order, main and skip link, no wider than 390 px`,
        shape.lang === 'en' && shape.h1 === 1 && shape.inOrder && shape.main && shape.skip && shape.wide <= 0,
        JSON.stringify(shape));
      await page.addScriptTag({ path: createRequire(import.meta.url).resolve('axe-core/axe.min.js') });
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
  });
}
server.close();
console.log(`${passed} passed, ${failed} failed${skipped ? `, ${skipped} skipped` : ''}`);
process.exit(failed > 0 ? 1 : 0);
