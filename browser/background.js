// Browser glue: the link context menu, the opt-in takeover of downloads,
// links sent from the popup, streams the pages load, and the road to the
// native host. Decisions
// live in lib/; every listener is registered at once, so a background
// that the browser stopped wakes for the event that needs it.
import {
  DEFAULT_SETTINGS,
  NATIVE_HOST,
  answerTaken,
  baseName,
  buildAddMessage,
  fileNameFromUrl,
  isWebUrl,
  linkFromDownload,
  takeoverVerdict,
} from './lib/takeover.js';
import { SIZE_WAIT_MS, waitForKnownSize } from './lib/sizeWait.js';
import { STRINGS, format } from './lib/strings.js';
import { NOTICES_KEY, badgeText, withNotice } from './lib/notices.js';
import {
  STREAMS_KEY,
  contentTypeOf,
  isPlaylistAnswer,
  shownStreams,
  streamStoreOf,
  streamsOfStored,
  summarizePlaylist,
  variantUrls,
  withStream,
} from './lib/streams.js';

const api = globalThis.browser ?? globalThis.chrome;
const MENU_ID = 'velmora-download';

// URLs handed back to the browser after Velmora could not take them, for
// browsers that do not mark an extension's own downloads; their next
// download is left alone.
const handedBack = new Set();

async function createMenu() {
  await api.contextMenus.removeAll();
  api.contextMenus.create({ id: MENU_ID, title: STRINGS.menuTitle, contexts: ['link'] });
}
api.runtime.onInstalled.addListener(createMenu);
api.runtime.onStartup.addListener(createMenu);

// Notices are stored one after the other: two at once must not overwrite
// each other's list.
let noticeChain = Promise.resolve();
function notify(text) {
  noticeChain = noticeChain
    .then(async () => {
      const stored = await api.storage.local.get({ [NOTICES_KEY]: [] });
      const notices = withNotice(stored[NOTICES_KEY], text, Date.now());
      await api.storage.local.set({ [NOTICES_KEY]: notices });
      await api.action?.setBadgeText?.({ text: badgeText(notices.length) });
      await api.action?.setTitle?.({ title: format(STRINGS.badgeTitle, text) });
    })
    .catch((error) => console.warn('Velmora: cannot keep a notice:', error && error.message));
  return noticeChain;
}

// Without site access the browser gives no cookies at all, whatever the
// site set; a pattern without a port covers every port of the host.
async function hasSiteAccess(url) {
  try {
    const { protocol, hostname } = new URL(url);
    return await api.permissions.contains({ origins: [`${protocol}//${hostname}/*`] });
  } catch {
    return false;
  }
}

async function cookiesFor(url) {
  try {
    return await api.cookies.getAll({ url });
  } catch {
    return [];
  }
}

function nameOf(link) {
  return fileNameFromUrl(link.url) || link.url;
}

// { taken, error }: whether Velmora has the link; every failure is also a
// notice (naming the link as `shownAs`, else by its URL), so the user
// learns of it without opening a console.
async function sendToVelmora(link, { fallsBack = false, shownAs = '' } = {}) {
  const access = await hasSiteAccess(link.url);
  const message = buildAddMessage({
    ...link,
    cookies: access ? await cookiesFor(link.url) : [],
    userAgent: navigator.userAgent,
  });
  const name = shownAs || nameOf(link);
  const after = fallsBack ? ` ${format(STRINGS.keptInBrowser, name)}` : '';
  let answer;
  try {
    answer = await api.runtime.sendNativeMessage(NATIVE_HOST, message);
  } catch (error) {
    const why = (error && error.message) || String(error);
    notify(format(STRINGS.unreachable, name, why) + after);
    return { taken: false, error: why };
  }
  if (!answerTaken(answer)) {
    const why = (answer && answer.error) || '?';
    notify(format(STRINGS.refused, name, why) + after);
    return { taken: false, error: why };
  }
  if (!access) notify(format(STRINGS.noCookies, name));
  return { taken: true };
}

api.contextMenus.onClicked.addListener((info) => {
  if (info.menuItemId !== MENU_ID || !info.linkUrl) return;
  sendToVelmora({ url: info.linkUrl, referrer: info.pageUrl });
});

// {type: "download", url, referrer?} from the extension's own pages.
api.runtime.onMessage.addListener((message, sender, sendResponse) => {
  if (!message || message.type !== 'download' || sender.id !== api.runtime.id) return false;
  if (!isWebUrl(message.url)) {
    sendResponse({ taken: false, error: STRINGS.badLink });
    return false;
  }
  sendToVelmora({ url: message.url, referrer: message.referrer }).then(sendResponse);
  return true; // answered later
});

async function lookUpDownload(id) {
  const [item] = await api.downloads.search({ id });
  return item ?? null;
}

// Cancels the browser's copy: "cancelled", "finished" when the browser had
// it whole before the cancel arrived, or "gone".
async function cancelInBrowser(id) {
  try {
    await api.downloads.cancel(id);
    // A small file may have finished before the cancel arrived; the browser
    // keeps that copy, and handing it over too would fetch it twice.
    const now = await lookUpDownload(id);
    if (now && now.state === 'complete') return 'finished';
    await api.downloads.erase({ id });
    return 'cancelled';
  } catch {
    return 'gone'; // removed by the user or the browser meanwhile
  }
}

async function takeOver(created) {
  if (handedBack.delete(created.finalUrl || created.url)) return;
  const settings = await api.storage.local.get(DEFAULT_SETTINGS);
  let item = created;
  let verdict = takeoverVerdict(item, settings);
  if (verdict === 'size-unknown') {
    item = await waitForKnownSize(item, lookUpDownload);
    verdict = takeoverVerdict(item, settings);
  }
  const shownAs = baseName(item.filename) || nameOf({ url: item.finalUrl || item.url });
  if (verdict === 'size-unknown') {
    notify(format(STRINGS.sizeUnknown, shownAs, SIZE_WAIT_MS / 1000));
    return;
  }
  if (verdict !== 'take') return;
  const cancelled = await cancelInBrowser(item.id);
  if (cancelled === 'finished') notify(format(STRINGS.finishedFirst, shownAs));
  if (cancelled !== 'cancelled') return;
  const link = linkFromDownload(item);
  const { taken } = await sendToVelmora(link, { fallsBack: true, shownAs });
  if (!taken) {
    // Nothing is lost: the browser downloads it after all.
    handedBack.add(link.url);
    api.downloads.download({ url: link.url });
  }
}

api.downloads.onCreated.addListener((item) => {
  takeOver(item).catch((error) => console.warn('Velmora: takeover failed:', error && error.message));
});

// Streams a tab loads, kept per tab for the popup while the browser runs
// (session storage: nothing of them reaches the disk).
const streamStore = streamStoreOf(api.storage);
const MAX_PLAYLIST_BYTES = 1 << 20;
let streamChain = Promise.resolve();

async function streamsOfTabs() {
  return streamsOfStored(await streamStore.get({ [STREAMS_KEY]: {} }));
}

// The playlist's text once more, for its variants and length; the page's
// own request cannot be read from here. Nothing when it cannot be had.
async function readPlaylist(url) {
  try {
    const answer = await fetch(url, { credentials: 'include' });
    if (!answer.ok) return '';
    const text = await answer.text();
    return text.length <= MAX_PLAYLIST_BYTES ? text : '';
  } catch {
    return '';
  }
}

function changeStreams(tabId, change) {
  streamChain = streamChain
    .then(async () => {
      const tabs = await streamsOfTabs();
      const list = change(tabs[tabId] ?? []);
      if (list.length) tabs[tabId] = list;
      else delete tabs[tabId];
      await streamStore.set({ [STREAMS_KEY]: tabs });
      const count = shownStreams(list).length;
      await api.action?.setBadgeText?.({ tabId, text: count ? String(count) : '' });
    })
    .catch((error) => console.warn('Velmora: cannot keep a stream:', error && error.message));
  return streamChain;
}

async function noticeStream(details) {
  let pageUrl = '';
  try {
    pageUrl = (await api.tabs.get(details.tabId)).url ?? '';
  } catch {
    return; // the tab is gone
  }
  const text = await readPlaylist(details.url);
  const stream = { url: details.url, pageUrl, summary: summarizePlaylist(text) ?? undefined };
  const variants = variantUrls(text, details.url);
  if (variants.length) stream.variantUrls = variants;
  await changeStreams(details.tabId, (list) => withStream(list, stream));
}

api.webRequest?.onHeadersReceived.addListener(
  (details) => {
    if (details.tabId < 0 || !isPlaylistAnswer(details.url, contentTypeOf(details.responseHeaders))) return;
    noticeStream(details).catch((error) => console.warn('Velmora: stream not kept:', error && error.message));
  },
  { urls: ['http://*/*', 'https://*/*'] },
  ['responseHeaders'],
);

// A tab that loads another page starts a new list; a closed one has none.
api.tabs?.onUpdated.addListener((tabId, change) => {
  if (change.url) changeStreams(tabId, () => []);
});
api.tabs?.onRemoved.addListener((tabId) => changeStreams(tabId, () => []));
