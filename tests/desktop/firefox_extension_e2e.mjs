// The extension in a real Firefox: Debian's Firefox ESR, headless, driven
// through WebDriver BiDi, with the extension built as Firefox installs it
// and the host registered by `velmora --register-browsers` under a
// temporary home. No download center runs at first: the host must start
// the real velmora, which then fetches from a loopback server. Checked:
//  - the takeover of a download whose size Firefox learns only after
//    creating it, with the site's cookie, the referrer and Firefox's user
//    agent arriving at the server in Velmora's own requests;
//  - a link sent from the extension's pages without site access: taken,
//    without cookies, and the popup's notices say so;
//  - two downloads of one name at once are named as one after another;
//  - with the host gone, the browser downloads the file itself and says why;
//  - the packaged .xpi stays installed in a profile of Firefox ESR.
// The background is let idle briefly, so most steps wake it first.
// Every file must arrive byte-identical.
//   node --experimental-websocket firefox_extension_e2e.mjs SOURCE_DIR BIN_DIR
// Exit 77 when the machine has no Firefox ESR.
import { spawn, spawnSync } from 'node:child_process';
import { createServer } from 'node:http';
import { cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import assert from 'node:assert/strict';
import { openRemoteSocket } from './remote_socket.mjs';
import { until as untilWithin } from './until.mjs';

const [sourceDir, binDir] = process.argv.slice(2).map((p) => resolve(p ?? '.'));
const firefox = ['/usr/bin/firefox-esr', '/usr/lib/firefox-esr/firefox-esr'].find((p) => existsSync(p));
if (!firefox || typeof WebSocket === 'undefined') {
  console.log('firefox-esr or WebSocket missing: skipped');
  process.exit(77);
}

// Firefox starts and wakes its background slower than Chromium.
const until = (what, probe, ms = 30000) => untilWithin(what, probe, ms);

const home = mkdtempSync(join(tmpdir(), 'velmora-firefox-'));
const profile = join(home, 'profile');
const firefoxDownloads = join(home, 'firefox-downloads');
const velmoraDownloads = join(home, 'velmora-downloads');
for (const dir of [profile, firefoxDownloads, velmoraDownloads]) mkdirSync(dir, { recursive: true });
const env = {
  ...process.env,
  HOME: home,
  XDG_CONFIG_HOME: join(home, '.config'),
  XDG_DATA_HOME: join(home, 'data'),
  VELMORA_WINDOW_DIR: join(home, 'links'),
  VELMORA_REGISTRY: join(home, 'registry.ini'),
  QT_QPA_PLATFORM: 'offscreen',
  MOZ_HEADLESS: '1',
};
// Fixed, so the test can open the extension's own pages.
const UUID = '5b0e6a6c-1f0d-4c6e-9a55-3d1b8c7e2f40';
const extensionPage = (page) => `moz-extension://${UUID}/${page}`;

const browsers = [];
function cleanUp() {
  // The download center was started by the host in a session of its own:
  // it is asked to close like any window.
  spawnSync(join(binDir, 'velmora-send'), ['--post', '16', '0', '0'], { env, timeout: 5000 });
  for (const browser of browsers) {
    try {
      process.kill(-browser.pid, 'SIGKILL');
    } catch {}
  }
  rmSync(home, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
}

// One WebDriver BiDi session over the browser's web socket.
async function bidi(url) {
  const remote = await openRemoteSocket(url);
  return {
    async send(method, params = {}) {
      const answer = await remote.command(method, params);
      if (answer.type === 'error') throw new Error(`${method}: ${answer.error}: ${answer.message}`);
      return answer.result;
    },
    async evaluate(context, expression) {
      const answer = await this.send('script.evaluate', {
        expression,
        target: { context },
        awaitPromise: true,
        resultOwnership: 'none',
      });
      if (answer.type === 'exception') throw new Error(`${expression}: ${answer.exceptionDetails.text}`);
      return answer.result.value;
    },
    close: remote.close,
  };
}

const SIZE = 2 * 1024 * 1024 + 517;
const body = (seed) => Buffer.from(Array.from({ length: SIZE }, (_, i) => (i * 31 + seed) & 0xff));
const files = { 'big.zip': body(1), 'sent.zip': body(2), 'fallback.zip': body(3), 'twin.zip': body(4) };
const requests = [];

function prefs(entries) {
  return Object.entries(entries)
    .map(([name, value]) => `user_pref(${JSON.stringify(name)}, ${JSON.stringify(value)});`)
    .join('\n');
}

function sameBytes(path, expected) {
  return existsSync(path) && !existsSync(`${path}.part`) && readFileSync(path).equals(expected);
}

// Firefox on `profile` (its user.js written first), and a BiDi session to it.
async function startFirefox(profileDir, extraPrefs = {}) {
  mkdirSync(profileDir, { recursive: true });
  writeFileSync(join(profileDir, 'user.js'), prefs({
    'extensions.webextensions.uuids': JSON.stringify({ 'velmora@velmora.app': UUID }),
    'browser.download.dir': firefoxDownloads,
    'browser.download.folderList': 2,
    'browser.download.useDownloadDir': true,
    'browser.download.always_ask_before_handling_new_types': false,
    'browser.download.start_downloads_in_tmp_dir': false,
    'browser.shell.checkDefaultBrowser': false,
    'datareporting.policy.dataSubmissionEnabled': false,
    // Firefox stops an idle background after 30 s; here after 2 s, so the
    // later steps, each some seconds after the one before, find it stopped
    // and must wake it.
    'extensions.background.idle.timeout': 2000,
    ...extraPrefs,
  }));
  const browser = spawn(firefox, [
    '--headless', '--no-remote', '--profile', profileDir,
    // The extension's own pages are privileged: only with system access
    // may the remote protocol open them.
    '--remote-debugging-port', '0', '--remote-allow-system-access', 'about:blank',
  ], { env, stdio: 'ignore', detached: true });
  browsers.push(browser);
  const portFile = join(profileDir, 'WebDriverBiDiServer.json');
  const port = await until('the remote protocol', () => {
    try {
      return JSON.parse(readFileSync(portFile, 'utf8')).ws_port;
    } catch {
      return null;
    }
  });
  return bidi(`ws://127.0.0.1:${port}/session`);
}

// Velmora's own requests, told from the browser's by the engine's fixed
// lines: the browser keeps its connections and names its languages.
const velmoraRequests = (name) =>
  requests.filter((r) => r.url.replace(/\?.*/, '') === `/files/${name}` && r.headers.connection === 'close' &&
    !r.headers['accept-language']);

try {
  writeFileSync(env.VELMORA_REGISTRY, `[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=${join(home, 'install')}\n`);
  const configure = join(home, 'configure.lua');
  writeFileSync(configure, `package.path = ${JSON.stringify(join(binDir, 'ext', '?.lua') + ';')} .. package.path
local s = require('velmora.settings') local v = s.load()
v.folder = ${JSON.stringify(velmoraDownloads)}
assert(s.save(v))
`);
  const configured = spawnSync(join(binDir, 'velmora-lua'), [configure], { env });
  assert.equal(configured.status, 0, String(configured.stderr));

  const registered = spawnSync(join(binDir, 'velmora'), ['--register-browsers'], { env });
  assert.equal(registered.status, 0, String(registered.stderr));
  const hostManifestPath = join(home, '.mozilla', 'native-messaging-hosts', 'app.velmora.native_host.json');
  const hostManifest = JSON.parse(readFileSync(hostManifestPath, 'utf8'));
  assert.deepEqual(hostManifest.allowed_extensions, ['velmora@velmora.app']);

  const server = createServer((request, response) => {
    requests.push({ url: request.url, headers: request.headers });
    if (request.url === '/') {
      response.writeHead(200, { 'Content-Type': 'text/html', 'Set-Cookie': 'session=s3cret; Path=/' });
      response.end('<a id="big" href="/files/big.zip">big</a> <a id="fallback" href="/files/fallback.zip">fb</a>' +
        '<a id="twinA" download href="/files/twin.zip?a">a</a> <a id="twinB" download href="/files/twin.zip?b">b</a>');
      return;
    }
    const name = request.url.replace('/files/', '').replace(/\?.*/, '');
    if (!files[name]) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {
      'Content-Type': 'application/zip',
      'Content-Disposition': `attachment; filename="${name}"`,
      'Content-Length': String(SIZE),
    });
    // Paced as a real server over a real line: Firefox tells the size only
    // as data moves, and its download must still run when the takeover
    // cancels it (about three seconds in all).
    const bytes = files[name];
    let sent = 0;
    const pace = setInterval(() => {
      const piece = bytes.subarray(sent, sent + 64 * 1024);
      sent += piece.length;
      if (sent >= bytes.length) {
        clearInterval(pace);
        response.end(piece);
      } else {
        response.write(piece);
      }
    }, 100);
    response.on('close', () => clearInterval(pace));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const origin = `http://127.0.0.1:${server.address().port}`;

  const extension = join(home, 'extension');
  const built = spawnSync(process.execPath, [join(sourceDir, 'browser', 'tools', 'build.mjs'), 'firefox', extension]);
  assert.equal(built.status, 0, String(built.stderr));

  const session = await startFirefox(profile);
  const { capabilities } = await session.send('session.new', { capabilities: {} });
  const firefoxAgent = capabilities.userAgent;
  assert.match(firefoxAgent, /Firefox\//);
  const installed = await session.send('webExtension.install', { extensionData: { type: 'path', path: extension } });
  assert.equal(installed.extension, 'velmora@velmora.app');

  // The settings as the options page writes them, from the options page.
  const { context: options } = await session.send('browsingContext.create', { type: 'tab' });
  await session.send('browsingContext.navigate', { context: options, url: extensionPage('options.html'), wait: 'complete' });
  await until('the options script', () => session.evaluate(options, "document.getElementById('siteAccess').dataset.granted === 'true'"));
  await session.evaluate(options, "browser.storage.local.set({ takeover: true, extensions: 'zip', minSizeMiB: 1 })");

  // 1. The takeover: Firefox creates the download with its size unknown
  // (the options page watches too, to show that this case is the one met).
  await session.evaluate(options,
    "window.sizesAtCreation = []; browser.downloads.onCreated.addListener((d) => sizesAtCreation.push(d.totalBytes)); true");
  const { contexts } = await session.send('browsingContext.getTree', {});
  const page = contexts.find((c) => c.context !== options).context;
  await session.send('browsingContext.navigate', { context: page, url: `${origin}/`, wait: 'complete' });
  await session.evaluate(page, "document.getElementById('big').click()");
  await until('big.zip from Velmora', () => sameBytes(join(velmoraDownloads, 'big.zip'), files['big.zip']), 60000);
  const [fetched] = velmoraRequests('big.zip');
  assert.equal(fetched.headers.cookie, 'session=s3cret');
  assert.equal(fetched.headers['user-agent'], firefoxAgent);
  assert.equal(fetched.headers.referer, `${origin}/`);
  assert.ok(!existsSync(join(firefoxDownloads, 'big.zip')), 'Firefox kept its own copy');
  assert.deepEqual(JSON.parse(await session.evaluate(options, 'JSON.stringify(sizesAtCreation)')), [-1]);

  // 2. Two downloads of one name at once: Firefox names the second
  // "twin(1).zip" in its folder, Velmora the same way as one after another.
  await session.evaluate(page, "document.getElementById('twinA').click(); document.getElementById('twinB').click()");
  for (const name of ['twin.zip', 'twin (1).zip']) {
    await until(name, () => sameBytes(join(velmoraDownloads, name), files['twin.zip']), 60000);
  }
  assert.ok(!existsSync(join(velmoraDownloads, 'twin(1).zip')));

  // 3. A link from the extension's pages, with site access withdrawn.
  await session.evaluate(options, "browser.permissions.remove({ origins: ['<all_urls>'] })");
  await until('the options page to see it', () => session.evaluate(options, "document.getElementById('siteAccess').dataset.granted === 'false'"));
  const answer = await session.evaluate(options,
    `browser.runtime.sendMessage({ type: 'download', url: '${origin}/files/sent.zip' }).then(JSON.stringify)`);
  assert.deepEqual(JSON.parse(answer), { taken: true });
  await until('sent.zip from Velmora', () => sameBytes(join(velmoraDownloads, 'sent.zip'), files['sent.zip']), 60000);
  const [sent] = velmoraRequests('sent.zip');
  assert.equal(sent.headers.cookie, undefined);
  assert.equal(sent.headers['user-agent'], firefoxAgent);
  await session.send('browsingContext.navigate', { context: options, url: extensionPage('popup.html'), wait: 'complete' });
  const told = await until('the popup notice', () =>
    session.evaluate(options, "Array.from(document.querySelectorAll('#notices li'), (li) => li.textContent).join('\\n')"));
  assert.match(told, /sent\.zip went to Velmora without the site's cookies/);

  // 4. The host is gone: the browser keeps the download, and says why.
  rmSync(hostManifestPath);
  await session.send('browsingContext.navigate', { context: page, url: `${origin}/`, wait: 'complete' });
  await session.evaluate(page, "document.getElementById('fallback').click()");
  await until('fallback.zip from Firefox', () => sameBytes(join(firefoxDownloads, 'fallback.zip'), files['fallback.zip']), 60000);
  assert.deepEqual(velmoraRequests('fallback.zip'), []);
  await session.send('browsingContext.navigate', { context: options, url: extensionPage('popup.html'), wait: 'complete' });
  // The popup fills its list once the stored notices are read: wait for it.
  const fellBack = await until('the fallback notice', async () => {
    const text = await session.evaluate(options, "document.getElementById('notices').textContent");
    return /fallback\.zip/.test(text) && text;
  });
  assert.match(fellBack, /could not be reached for fallback\.zip.*The browser downloads fallback\.zip itself/);

  session.close();
  server.close();

  // 5. The packaged .xpi, put in a profile of an ESR with signatures not
  // required, is installed for good: it is there at the next start.
  const packaged = spawnSync(join(sourceDir, 'scripts', 'package-extension.sh'), [join(home, 'dist')], { encoding: 'utf8' });
  assert.equal(packaged.status, 0, packaged.stderr);
  const xpi = packaged.stdout.split('\n').find((line) => line.endsWith('.xpi'));
  const kept = join(home, 'kept-profile');
  mkdirSync(join(kept, 'extensions'), { recursive: true });
  cpSync(xpi, join(kept, 'extensions', 'velmora@velmora.app.xpi'));
  const keptSession = await startFirefox(kept, {
    'xpinstall.signatures.required': false,
    // Add-ons placed in the profile start enabled, as the user put them there.
    'extensions.autoDisableScopes': 0,
  });
  await keptSession.send('session.new', { capabilities: {} });
  const [{ context: keptTab }] = (await keptSession.send('browsingContext.getTree', {})).contexts;
  await until('the installed extension', async () => {
    try {
      await keptSession.send('browsingContext.navigate', { context: keptTab, url: extensionPage('options.html'), wait: 'complete' });
      return await keptSession.evaluate(keptTab, "browser.runtime.id === 'velmora@velmora.app'");
    } catch {
      return false;
    }
  });
  keptSession.close();
  console.log('5 passed, 0 failed');
  cleanUp();
  process.exit(0);
} catch (error) {
  console.error(error);
  if (process.env.VELMORA_E2E_DEBUG) console.error(JSON.stringify(requests, null, 1));
  cleanUp();
  process.exit(1);
}
