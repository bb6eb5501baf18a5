'use strict';
// Drives Debian's headless chromium at Padora's browser remote, for the end-to-end tests and the
// tap-to-sound benchmark. Every step prints one JSON line on standard output; a failure prints
// {"error": ...} and exits 1.
//   node remote.js tap URL SCREENSHOT   a phone taps pad 1; it and a second page must show it playing
//   node remote.js pair URL WRONG RIGHT a wrong code is refused, the right one pairs and the page runs
//   node remote.js bench URL READYFILE  taps pad 1 on every "tap" line of standard input
const puppeteer = require('puppeteer-core');
const fs = require('fs');
const readline = require('readline');

const kChromium = process.env.PADORA_CHROMIUM || '/usr/bin/chromium';
const kPhone = {width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true};
const kTimeoutMs = 10000;

function say(o) { process.stdout.write(JSON.stringify(o) + '\n'); }

async function browser() {
  return puppeteer.launch({
    executablePath: kChromium,
    headless: 'new',
    dumpio: !!process.env.PADORA_BROWSER_LOG,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

// Closing waits on the browser, which may be gone: never longer than a few seconds, then it is killed.
async function closeBrowser(b) {
  await Promise.race([b.close().catch(() => {}), new Promise((resolve) => setTimeout(resolve, 5000))]);
  const child = b.process();
  if (child && child.exitCode === null)
    child.kill('SIGKILL');
}

async function open(b, url) {
  const page = await b.newPage();
  await page.setViewport(kPhone);
  const response = await page.goto(url, {waitUntil: 'load', timeout: kTimeoutMs});
  return {page, status: response ? response.status() : 0};
}

const padState = (page, n) => page.$eval('#pad' + n, (el) => el.dataset.state);
const waitPadState = (page, n, state) => page.waitForFunction(
  (n, state) => document.getElementById('pad' + n).dataset.state === state,
  {timeout: kTimeoutMs}, n, state);
// A tap as the page's own handler sees it, dispatched in the page: this chromium closes its target on
// emulated touch input (Input.dispatchTouchEvent) when it runs headless here.
const tapPad = (page, n) => page.evaluate((n) => document.getElementById('pad' + n).dispatchEvent(
  new PointerEvent('pointerdown', {bubbles: true, cancelable: true, pointerType: 'touch'})), n);
const waitConnected = (page) => page.waitForFunction(() => !!window.padoraState, {timeout: kTimeoutMs});

async function tap(url, screenshot) {
  const b = await browser();
  try {
    const phone = await open(b, url);
    await waitConnected(phone.page);
    const tablet = await open(b, url);
    await tablet.page.setViewport({width: 1024, height: 768, isMobile: true, hasTouch: true});
    await waitConnected(tablet.page);
    say({step: 'loaded', status: phone.status, before: await padState(phone.page, 1),
         title: await phone.page.$eval('#pad1 .title', (el) => el.textContent)});
    // The phone's page is the one in front, as on a phone in the hand; the tablet's runs behind it.
    await phone.page.bringToFront();
    await tapPad(phone.page, 1);
    await waitPadState(phone.page, 1, '1').catch((e) => { throw new Error('the phone page: ' + e.message); });
    await waitPadState(tablet.page, 1, '1').catch((e) => { throw new Error('the tablet page: ' + e.message); });
    const colour = await phone.page.$eval('#pad1', (el) => getComputedStyle(el).backgroundColor);
    const tabs = await phone.page.$$eval('#tabs button', (els) => els.map((e) => e.textContent));
    await phone.page.screenshot({path: screenshot});
    say({step: 'playing', colour, other: await padState(tablet.page, 1), tabs});
  } finally {
    await closeBrowser(b);
  }
}

async function pair(url, wrong, right) {
  const b = await browser();
  try {
    const first = await open(b, url);
    const form = await first.page.$('form[action="/pair"]');
    say({step: 'asked', status: first.status, form: !!form});
    await first.page.type('#code', wrong);
    let nav = first.page.waitForNavigation({timeout: kTimeoutMs});
    await first.page.click('#pair');
    const refused = await nav;
    say({step: 'wrong', status: refused ? refused.status() : 0,
         message: await first.page.$eval('#message', (el) => el.textContent)});
    await first.page.type('#code', right);
    nav = first.page.waitForNavigation({timeout: kTimeoutMs});
    await first.page.click('#pair');
    const paired = await nav;
    await waitConnected(first.page);
    say({step: 'paired', status: paired ? paired.status() : 0, url: first.page.url(),
         group: await first.page.evaluate(() => window.padoraState.group)});
  } finally {
    await closeBrowser(b);
  }
}

async function bench(url, readyFile) {
  const b = await browser();
  try {
    const {page} = await open(b, url);
    await waitConnected(page);
    fs.writeFileSync(readyFile, 'ready\n');
    const lines = readline.createInterface({input: process.stdin});
    for await (const line of lines) {
      if (line !== 'tap')
        continue;
      await tapPad(page, 1);
    }
  } finally {
    await closeBrowser(b);
  }
}

(async () => {
  const [what, ...args] = process.argv.slice(2);
  const run = {tap, pair, bench}[what];
  if (!run)
    throw new Error('unknown command ' + what);
  await run(...args);
})().catch((e) => { say({error: String(e && e.stack || e)}); process.exit(1); });
