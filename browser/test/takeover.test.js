// The extension's decisions, without a browser.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';

import {
  DEFAULT_SETTINGS,
  NATIVE_HOST,
  answerTaken,
  buildAddMessage,
  cookieHeader,
  fileNameFromUrl,
  linkFromDownload,
  parseExtensionList,
  shouldTakeOver,
  takeoverVerdict,
} from '../lib/takeover.js';
import { STRINGS } from '../lib/strings.js';

const MIB = 1024 * 1024;
const on = { takeover: true, extensions: 'zip iso', minSizeMiB: 1 };
const item = (fields) => ({
  id: 1,
  url: 'https://dl.test/files/big.zip',
  filename: '',
  state: 'in_progress',
  totalBytes: 5 * MIB,
  ...fields,
});

test('takeover is off until the user turns it on', () => {
  assert.equal(DEFAULT_SETTINGS.takeover, false);
  assert.equal(shouldTakeOver(item({}), {}), false);
  assert.equal(shouldTakeOver(item({}), on), true);
});

test('takeover goes by the file type, from the file name or else the URL', () => {
  assert.equal(shouldTakeOver(item({ url: 'https://dl.test/a.ISO?x=1' }), on), true);
  assert.equal(shouldTakeOver(item({ url: 'https://dl.test/a.pdf' }), on), false);
  assert.equal(shouldTakeOver(item({ url: 'https://dl.test/get?id=3', filename: '/home/u/Downloads/x.zip' }), on), true);
  assert.equal(shouldTakeOver(item({ url: 'https://dl.test/get?id=3' }), on), false);
  assert.equal(shouldTakeOver(item({ url: 'https://dl.test/x.tar.gz' }), { ...on, extensions: 'gz' }), true);
  // An empty list takes every type.
  assert.equal(shouldTakeOver(item({ url: 'https://dl.test/a.pdf' }), { ...on, extensions: ' ' }), true);
});

test('takeover goes by the size, and an unknown size keeps the download in the browser', () => {
  assert.equal(shouldTakeOver(item({ totalBytes: MIB - 1 }), on), false);
  assert.equal(shouldTakeOver(item({ totalBytes: MIB }), on), true);
  assert.equal(shouldTakeOver(item({ totalBytes: -1, fileSize: 2 * MIB }), on), true);
  assert.equal(shouldTakeOver(item({ totalBytes: 0, fileSize: -1 }), on), false);
  assert.equal(shouldTakeOver(item({ totalBytes: 0 }), { ...on, minSizeMiB: 0 }), true);
  assert.equal(shouldTakeOver(item({ totalBytes: 0 }), { ...on, minSizeMiB: 'junk' }), true);
});

test('a matching download whose size is not known yet is told apart from one too small', () => {
  // Firefox creates downloads with totalBytes -1; the size comes later.
  assert.equal(takeoverVerdict(item({ totalBytes: -1 }), on), 'size-unknown');
  assert.equal(takeoverVerdict(item({ totalBytes: MIB - 1 }), on), 'small');
  assert.equal(takeoverVerdict(item({ totalBytes: -1, url: 'https://dl.test/a.pdf' }), on), 'type');
  assert.equal(takeoverVerdict(item({ totalBytes: -1 }), { ...on, minSizeMiB: 0 }), 'take');
  assert.equal(takeoverVerdict(item({}), {}), 'off');
});

test('downloads Velmora cannot fetch or should not see stay with the browser', () => {
  for (const url of ['blob:https://dl.test/1', 'data:text/plain,x.zip', 'file:///tmp/a.zip', 'ftp://dl.test/a.zip']) {
    assert.equal(shouldTakeOver(item({ url }), on), false, url);
  }
  assert.equal(shouldTakeOver(item({ byExtensionId: 'abc' }), on), false);
  assert.equal(shouldTakeOver(item({ state: 'complete' }), on), false);
  assert.equal(shouldTakeOver(item({ incognito: true }), on), false);
  assert.equal(shouldTakeOver(null, on), false);
  // A redirect's final address counts.
  assert.equal(shouldTakeOver(item({ url: 'https://dl.test/go', finalUrl: 'https://cdn.test/f.zip' }), on), true);
});

test('extension lists are forgiving', () => {
  assert.deepEqual([...parseExtensionList('zip, .ISO  exe;7z')], ['zip', 'iso', 'exe', '7z']);
  assert.deepEqual([...parseExtensionList(undefined)], []);
});

test('the add message carries the link, its site cookies and referrer', () => {
  const message = buildAddMessage({
    url: 'https://dl.test/a.zip',
    referrer: 'https://dl.test/page',
    cookies: [{ name: 'sid', value: 'x=1' }, { name: '', value: 'bare' }, { name: 'lang', value: 'en' }],
    userAgent: 'UA/1',
    filename: 'C:\\Users\\u\\a.zip',
    fileSize: 123,
  });
  assert.deepEqual(message, {
    type: 'add',
    url: 'https://dl.test/a.zip',
    referrer: 'https://dl.test/page',
    cookies: 'sid=x=1; bare; lang=en',
    userAgent: 'UA/1',
    filename: 'a.zip',
    fileSize: 123,
  });
});

test('the add message leaves out what the host could not use', () => {
  assert.deepEqual(
    buildAddMessage({ url: 'https://dl.test/', referrer: 'about:blank', cookies: [], fileSize: -1, filename: '' }),
    { type: 'add', url: 'https://dl.test/' },
  );
  assert.deepEqual(buildAddMessage({ url: 'https://dl.test/', fileSize: 1.5, cookies: 'a=1' }), {
    type: 'add',
    url: 'https://dl.test/',
    cookies: 'a=1',
  });
  assert.equal(cookieHeader(undefined), '');
});

test('a taken-over download goes without the name the browser made unique in its own folder', () => {
  const link = linkFromDownload(item({
    url: 'https://dl.test/go',
    finalUrl: 'https://cdn.test/a.zip',
    filename: '/home/u/Downloads/a(1).zip',
    referrer: 'https://dl.test/page',
  }));
  assert.deepEqual(link, { url: 'https://cdn.test/a.zip', referrer: 'https://dl.test/page', fileSize: 5 * MIB });
  assert.equal(buildAddMessage(link).filename, undefined);
  assert.equal(linkFromDownload(item({ totalBytes: -1 })).fileSize, undefined);
});

test('file names come from the URL path, decoded', () => {
  assert.equal(fileNameFromUrl('https://dl.test/dir/%E4%B8%AD%20x.zip?q=1'), '\u4e2d x.zip');
  assert.equal(fileNameFromUrl('https://dl.test/bad%E4.zip'), 'bad%E4.zip');
  assert.equal(fileNameFromUrl('https://dl.test/'), '');
  assert.equal(fileNameFromUrl('not a url'), '');
});

test('only an ok answer with an id counts as taken', () => {
  assert.equal(answerTaken({ status: 'ok', id: '0123456789abcdef' }), true);
  assert.equal(answerTaken({ status: 'error', error: 'no window' }), false);
  assert.equal(answerTaken({ status: 'ok', version: '0.1.0' }), false);
  assert.equal(answerTaken(undefined), false);
});

test('the manifest asks for what the glue uses and names the host it talks to', () => {
  const manifest = JSON.parse(readFileSync(new URL('../manifest.json', import.meta.url)));
  assert.equal(manifest.manifest_version, 3);
  for (const permission of ['contextMenus', 'nativeMessaging', 'cookies', 'downloads', 'storage']) {
    assert.ok(manifest.permissions.includes(permission), permission);
  }
  assert.equal(manifest.browser_specific_settings.gecko.id, 'velmora@velmora.app');
  // The oldest Firefox the end-to-end test has run it in.
  assert.equal(manifest.browser_specific_settings.gecko.strict_min_version, '153.0');
  assert.equal(manifest.action.default_popup, 'popup.html');
  assert.equal(NATIVE_HOST, 'app.velmora.native_host');
  assert.equal(STRINGS.menuTitle, 'Download with Velmora');
  const background = readFileSync(new URL('../background.js', import.meta.url), 'utf8');
  assert.match(background, /STRINGS\.menuTitle/);
});
