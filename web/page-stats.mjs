// Opening the web edition in headless Chromium through playwright-core and
// reading its figures: shared by the browser test (web/test/web-test.mjs) and
// the speed benchmark (bench/web-speed.mjs).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// What the page reports (ZelWeb.stats in platform/web_platform.js).
export const stats = (pg) => pg.evaluate(() => ZelWeb.stats());

// Waits until `test(stats)` holds, at most `ms`; returns the last stats.
export async function waitOn(pg, test, ms = 5000) {
  const until = Date.now() + ms;
  let s = await stats(pg);
  while (!test(s) && Date.now() < until) {
    await sleep(50);
    s = await stats(pg);
  }
  return s;
}

// Frames a second and the program's work per frame (ms) over `seconds`.
export async function rate(pg, seconds) {
  const a = await stats(pg);
  await sleep(seconds * 1000);
  const b = await stats(pg);
  return { fps: (b.frames - a.frames) / seconds, work: (b.busy - a.busy) / Math.max(1, b.turns - a.turns) };
}

// The same with the CPU throttled `factor` times (Chromium's DevTools protocol).
export async function throttled(pg, factor, seconds) {
  const cdp = await pg.context().newCDPSession(pg);
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: factor });
  await sleep(500);
  const r = await rate(pg, seconds);
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
  await cdp.detach();
  return r;
}

export const describeRate = (r) => `${r.fps.toFixed(1)} fps, the program busy ${r.work.toFixed(2)} ms of each frame`;

// A phone in Chromium's mobile emulation: touch, device scale 3.
export const phone = (width, height) => ({ viewport: { width, height }, deviceScaleFactor: 3, isMobile: true, hasTouch: true });

// A browser with a profile of its own (`device` adds to the desktop's
// 1280x720) and its first page; close() ends it and removes the profile.
export async function openBrowser(chromium, browserPath, device = {}, extraArgs = []) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zel-chromium-'));
  const ctx = await chromium.launchPersistentContext(dir, {
    executablePath: browserPath,
    headless: true,
    viewport: { width: 1280, height: 720 },
    ...device,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required', ...extraArgs],
  });
  const pg = ctx.pages()[0] || (await ctx.newPage());
  const close = async () => {
    await ctx.close();
    fs.rmSync(dir, { recursive: true, force: true });
  };
  return { ctx, pg, dir, close };
}
