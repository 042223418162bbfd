// Drives the manager's web interface in the system's headless Chromium, one action per run, and
// prints the outcome as one JSON line on stdout (the Python tests decide what is right).
//
//   node web_driver.js '<json>'   with {base, user, password, action, name, screenshot}
//
// Actions:
//   unauthorized  /manager without credentials: the status the browser got
//   index         /manager with the credentials: status, the computer links
//   view          index, then a click on the link named `name`: status, the page's heading
//   lock|unlock   view, then a click on "Lock"/"Unlock": status, the page text
//   command       view, then a click on the button captioned `caption`: status, the page text
//   phone         index and view at 390x844: the buttons' heights and whether anything is wider
//                 than the screen
//   crosssite     a page of another origin links to /lock/computer?`name`; the click's status
// Every wait is bounded; the whole run is cut off after kRunLimitMs. Loopback addresses only.
'use strict';

const { chromium } = require('playwright-core');

const kChromium = process.env.BRIVAK_CHROMIUM || '/usr/bin/chromium';
const kStepTimeoutMs = 15000;
const kRunLimitMs = 90000;
const kArgs = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

function isLoopback(url) {
  const host = new URL(url).hostname;
  return /^127\.\d{1,3}\.\d{1,3}\.\d{1,3}$/.test(host);
}

async function openIndex(page, base) {
  const response = await page.goto(base + '/manager');
  return response;
}

async function openComputer(page, base, name) {
  const index = await openIndex(page, base);
  if (index.status() !== 200) throw new Error('index page status ' + index.status());
  // The link whose whole text is the name (a name may be part of another one).
  const links = await page.locator('a[href^="/view/computer?"]').all();
  let target = null;
  for (const candidate of links) {
    if ((await candidate.textContent()) === name) target = candidate;
  }
  if (!target) throw new Error('no link named ' + JSON.stringify(name) + ' on the index page');
  const [response] = await Promise.all([page.waitForNavigation(), target.click()]);
  return response;
}

async function pageFacts(page, response) {
  return {
    status: response ? response.status() : 0,
    url: page.url(),
    title: await page.title(),
    text: await page.evaluate(() => document.body ? document.body.innerText : ''),
    heading: await page.evaluate(() => {
      const h1 = document.querySelector('h1');
      return h1 ? { text: h1.textContent, elementChildren: h1.children.length } : null;
    }),
    // Elements a name holding markup would have made if it had been served as markup.
    injectedBold: await page.evaluate(() => Array.from(document.querySelectorAll('b'))
      .filter((b) => b.textContent === 'x').length),
  };
}

async function run(config) {
  if (!isLoopback(config.base)) throw new Error('the web tests talk to loopback addresses only');
  const browser = await chromium.launch({ executablePath: kChromium, headless: true, args: kArgs,
    timeout: kStepTimeoutMs });
  try {
    const withCredentials = config.action !== 'unauthorized';
    const context = await browser.newContext(Object.assign({ viewport: { width: 1280, height: 800 } },
      withCredentials ? { httpCredentials: { username: config.user, password: config.password } } : {}));
    // Nothing leaves the loopback: any other request is aborted.
    await context.route('**/*', (route) => {
      const url = route.request().url();
      if (url.startsWith('http') && !isLoopback(url)) return route.abort();
      return route.continue();
    });
    const page = await context.newPage();
    page.setDefaultTimeout(kStepTimeoutMs);
    page.setDefaultNavigationTimeout(kStepTimeoutMs);
    let result;
    switch (config.action) {
      case 'unauthorized': {
        // Headless Chromium has no one to ask for a login: it ends the navigation with an error
        // after the 401 arrives, so the answer is taken from the network events.
        const seen = page.waitForResponse((r) => r.url() === config.base + '/manager');
        const navigation = await openIndex(page, config.base).then(() => 'loaded', (e) => String(e.message));
        const response = await seen;
        result = {
          status: response.status(),
          challenge: (await response.headerValue('www-authenticate')) || '',
          navigation,
        };
        break;
      }
      case 'index': {
        const response = await openIndex(page, config.base);
        result = await pageFacts(page, response);
        result.links = await page.evaluate(() => Array.from(document.querySelectorAll('a[href^="/view/computer?"]'))
          .map((a) => ({ text: a.textContent, href: a.getAttribute('href') })));
        break;
      }
      case 'view': {
        const response = await openComputer(page, config.base, config.name);
        result = await pageFacts(page, response);
        break;
      }
      case 'lock':
      case 'unlock': {
        const view = await openComputer(page, config.base, config.name);
        if (view.status() !== 200) throw new Error('computer page status ' + view.status());
        const caption = config.action === 'lock' ? 'Lock' : 'Unlock';
        const link = page.getByRole('link', { name: caption, exact: true });
        const [response] = await Promise.all([page.waitForNavigation(), link.click()]);
        result = await pageFacts(page, response);
        break;
      }
      case 'command': {
        const view = await openComputer(page, config.base, config.name);
        if (view.status() !== 200) throw new Error('computer page status ' + view.status());
        const link = page.getByRole('link', { name: config.caption, exact: true });
        const [response] = await Promise.all([page.waitForNavigation(), link.click()]);
        result = await pageFacts(page, response);
        break;
      }
      case 'phone': {
        await page.setViewportSize({ width: 390, height: 844 });
        const measure = () => page.evaluate(() => ({
          width: window.innerWidth,
          scrollWidth: document.documentElement.scrollWidth,
          buttons: Array.from(document.querySelectorAll('a')).map((a) => {
            const r = a.getBoundingClientRect();
            return { text: a.textContent, height: r.height, right: r.right };
          }),
        }));
        const index = await openIndex(page, config.base);
        const indexFacts = await measure();
        if (config.screenshot) await page.screenshot({ path: config.screenshot.replace('.png', '-index.png'), fullPage: true });
        const view = await openComputer(page, config.base, config.name);
        result = await pageFacts(page, view);
        result.indexStatus = index.status();
        result.index = indexFacts;
        result.view = await measure();
        break;
      }
      case 'crosssite': {
        // A page of another origin (about:blank) with a link that would lock the computer.
        const href = config.base + '/lock/computer?' + encodeURIComponent(config.name);
        await page.setContent('<a id="bait" href="' + href + '">win a prize</a>');
        const [response] = await Promise.all([page.waitForNavigation(), page.click('#bait')]);
        result = await pageFacts(page, response);
        break;
      }
      default:
        throw new Error('unknown action ' + config.action);
    }
    if (config.screenshot) {
      await page.screenshot({ path: config.screenshot, fullPage: true });
      result.screenshot = config.screenshot;
    }
    await context.close();
    return result;
  } finally {
    await browser.close();
  }
}

const watchdog = setTimeout(() => {
  process.stderr.write('web_driver: run limit reached\n');
  process.exit(3);
}, kRunLimitMs);

run(JSON.parse(process.argv[2] || '{}'))
  .then((result) => {
    process.stdout.write(JSON.stringify(result) + '\n');
    clearTimeout(watchdog);
  })
  .catch((error) => {
    process.stdout.write(JSON.stringify({ error: String(error && error.stack || error) }) + '\n');
    clearTimeout(watchdog);
    process.exitCode = 2;
  });
