// Browser glue: the link context menu, the opt-in takeover of downloads,
// and the road to the native host. Decisions live in lib/takeover.js.
import {
  DEFAULT_SETTINGS,
  NATIVE_HOST,
  answerTaken,
  buildAddMessage,
  knownSize,
  shouldTakeOver,
} from './lib/takeover.js';

const api = globalThis.browser ?? globalThis.chrome;
const MENU_ID = 'velmora-download';

// URLs handed back to the browser after Velmora could not take them; their
// next download is left alone.
const handedBack = new Set();

async function createMenu() {
  await api.contextMenus.removeAll();
  api.contextMenus.create({ id: MENU_ID, title: 'Download with Velmora', contexts: ['link'] });
}
api.runtime.onInstalled.addListener(createMenu);
api.runtime.onStartup.addListener(createMenu);

async function cookiesFor(url) {
  try {
    return await api.cookies.getAll({ url });
  } catch {
    return [];
  }
}

async function sendToVelmora(link) {
  const message = buildAddMessage({
    ...link,
    cookies: await cookiesFor(link.url),
    userAgent: navigator.userAgent,
  });
  try {
    const answer = await api.runtime.sendNativeMessage(NATIVE_HOST, message);
    if (answerTaken(answer)) return true;
    console.warn('Velmora refused the link:', answer && answer.error);
  } catch (error) {
    console.warn('Velmora cannot be reached:', error && error.message);
  }
  api.action?.setBadgeText?.({ text: '!' });
  return false;
}

api.contextMenus.onClicked.addListener((info) => {
  if (info.menuItemId !== MENU_ID || !info.linkUrl) return;
  sendToVelmora({ url: info.linkUrl, referrer: info.pageUrl });
});

api.downloads.onCreated.addListener(async (item) => {
  const url = item.finalUrl || item.url;
  if (handedBack.delete(url)) return;
  const settings = await api.storage.local.get(DEFAULT_SETTINGS);
  if (!shouldTakeOver(item, settings)) return;
  try {
    await api.downloads.cancel(item.id);
    // A small file may have finished before the cancel arrived; the browser
    // keeps that copy, and handing it over too would fetch it twice.
    const [now] = await api.downloads.search({ id: item.id });
    if (now && now.state === 'complete') return;
    await api.downloads.erase({ id: item.id });
  } catch {
    return; // already finished or gone: the browser keeps it
  }
  const taken = await sendToVelmora({
    url,
    referrer: item.referrer,
    filename: item.filename,
    fileSize: knownSize(item) ?? undefined,
  });
  if (!taken) {
    // Nothing is lost: the browser downloads it after all.
    handedBack.add(url);
    api.downloads.download({ url });
  }
});
