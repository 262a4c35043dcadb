// The extension in a real browser: Debian's Chromium, headless, with the
// extension built for it and loaded and the host registered by `velmora --register-browsers`
// under a temporary home. A page on a loopback server sets a cookie and
// links to a file; clicking the link with the takeover on must cancel the
// browser's download and bring the link, its cookie and referrer to a
// window titled "Velmora" (a test window here) through the native host.
//   node --experimental-websocket chromium_extension_e2e.mjs SOURCE_DIR BIN_DIR
// Exit 77 when the machine has no Chromium.
import { spawn, spawnSync } from 'node:child_process';
import { createServer } from 'node:http';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import assert from 'node:assert/strict';
import { openRemoteSocket } from './remote_socket.mjs';
import { sleep, until } from './until.mjs';

const [sourceDir, binDir] = process.argv.slice(2);
const chromium = ['/usr/bin/chromium', '/usr/bin/chromium-browser'].find((p) => existsSync(p));
if (!chromium || typeof WebSocket === 'undefined') {
  console.log('chromium or WebSocket missing: skipped');
  process.exit(77);
}


const home = mkdtempSync(join(tmpdir(), 'velmora-browser-'));
const env = {
  ...process.env,
  HOME: home,
  XDG_CONFIG_HOME: join(home, '.config'),
  VELMORA_WINDOW_DIR: join(home, 'links'),
  QT_QPA_PLATFORM: 'offscreen',
};
const children = [];
function cleanUp() {
  // The browser runs in a process group of its own, with all its helpers.
  for (const child of children) {
    try {
      process.kill(child.spawnargs.length > 3 ? -child.pid : child.pid, 'SIGKILL');
    } catch {}
  }
  rmSync(home, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
}

// One CDP session over a target's web socket.
async function devtools(url) {
  const remote = await openRemoteSocket(url);
  return {
    send: remote.command,
    async evaluate(expression) {
      const answer = await remote.command('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
      if (answer.result?.exceptionDetails) throw new Error(JSON.stringify(answer.result.exceptionDetails));
      return answer.result?.result?.value;
    },
    close: remote.close,
  };
}

try {
  const registered = spawnSync(join(binDir, 'velmora'), ['--register-browsers'], { env });
  assert.equal(registered.status, 0, String(registered.stderr));

  // The running download center, played by a window that reports copy-data.
  const window = spawn(join(binDir, 'ui-test-window'), ['Velmora'], { env });
  children.push(window);
  let windowOutput = '';
  window.stdout.on('data', (chunk) => (windowOutput += chunk));
  await until('the window', () => windowOutput.includes('ready\n'));

  const server = createServer((request, response) => {
    if (request.url === '/') {
      response.writeHead(200, { 'Content-Type': 'text/html', 'Set-Cookie': 'session=s3cret; Path=/' });
      response.end('<a id="link" href="/files/data.bin">data</a>');
    } else {
      response.writeHead(200, {
        'Content-Type': 'application/octet-stream',
        'Content-Disposition': 'attachment; filename="data.bin"',
        'Content-Length': '4096',
      });
      // Half now, the rest later: the takeover must cancel a download that is
      // still running, whatever the machine's load.
      response.write(Buffer.alloc(2048, 7));
      setTimeout(() => response.end(Buffer.alloc(2048, 7)), 3000);
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const origin = `http://127.0.0.1:${server.address().port}`;

  // As Chromium installs it: its own manifest, without Firefox's keys.
  const extension = join(home, 'extension');
  const built = spawnSync(process.execPath, [join(sourceDir, 'browser', 'tools', 'build.mjs'), 'chromium', extension]);
  assert.equal(built.status, 0, String(built.stderr));
  const downloads = join(home, 'Downloads');
  const browser = spawn(chromium, [
    // Headless takes a throwaway profile unless told: this one is where
    // --register-browsers put the manifest.
    `--user-data-dir=${join(home, '.config', 'chromium')}`,
    '--headless=new', '--no-sandbox', '--no-first-run', '--disable-gpu', '--remote-debugging-port=0',
    `--load-extension=${extension}`, `--disable-extensions-except=${extension}`, 'about:blank',
  ], { env, stdio: 'ignore', detached: true });
  children.push(browser);
  const portFile = join(home, '.config', 'chromium', 'DevToolsActivePort');
  const port = await until('devtools', () => existsSync(portFile) && readFileSync(portFile, 'utf8').split('\n')[0]);
  const targets = async () => (await fetch(`http://127.0.0.1:${port}/json/list`)).json();
  const worker = await until('the extension', async () => {
    const list = await targets();
    if (process.env.VELMORA_E2E_DEBUG) console.log(list.map((t) => `${t.type} ${t.url}`));
    return list.find((t) => t.type === 'service_worker' && t.url.startsWith('chrome-extension://kbicegbbaofnjbadgcmdjlammhojppil/'));
  });
  // The settings as the options page writes them, from the options page.
  const optionsUrl = worker.url.replace('background.js', 'options.html');
  await fetch(`http://127.0.0.1:${port}/json/new?${optionsUrl}`, { method: 'PUT' });
  const optionsTarget = await until('the options page', async () => (await targets()).find((t) => t.url === optionsUrl));
  const options = await devtools(optionsTarget.webSocketDebuggerUrl);
  await until('the options script', () => options.evaluate("typeof chrome !== 'undefined' && !!chrome.storage"));
  await options.evaluate("chrome.storage.local.set({ takeover: true, extensions: 'bin', minSizeMiB: 0 })");
  assert.equal(await options.evaluate("chrome.runtime.getManifest().permissions.includes('contextMenus')"), true);
  // Chromium grants site access with the install; the page says so.
  await until('the site access line', () => options.evaluate("document.getElementById('siteAccess').dataset.granted === 'true'"));
  assert.equal(await options.evaluate("chrome.runtime.getManifest().background.scripts"), undefined);
  options.close();

  const page = await devtools((await targets()).find((t) => t.type === 'page' && t.url === 'about:blank').webSocketDebuggerUrl);
  await page.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await page.send('Page.navigate', { url: `${origin}/` });
  await until('the page', () => page.evaluate("document.readyState === 'complete' && !!document.getElementById('link')"));
  await page.evaluate("document.getElementById('link').click()");

  const line = await until('the hand-off', () => windowOutput.split('\n').find((l) => l.startsWith('copydata ')));
  const hex = line.split(' ')[2];
  const text = Buffer.from(hex, 'hex').toString('utf8').replace(/\0$/, '');
  assert.ok(text.startsWith('#clicent#'), text);
  const link = JSON.parse(text.slice('#clicent#'.length));
  assert.equal(link.url, `${origin}/files/data.bin`);
  assert.equal(link.cookies, 'session=s3cret');
  assert.equal(link.referrer, `${origin}/`);
  assert.match(link.id, /^[0-9a-f]{16}$/);
  assert.ok(link.userAgent.length > 0);
  // The browser let go of its own copy.
  await sleep(500);
  const kept = existsSync(downloads) ? readdirSync(downloads).filter((f) => f.startsWith('data')) : [];
  assert.deepEqual(kept, []);

  page.close();
  server.close();
  console.log('1 passed, 0 failed');
  cleanUp();
  process.exit(0);
} catch (error) {
  console.error(error);
  cleanUp();
  process.exit(1);
}
