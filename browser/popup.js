// Streams the current page loaded, what happened to recent hand-overs, and
// a field to hand a link over by hand. Opening the popup counts as reading
// the notices: the badge goes.
import { NOTICES_KEY } from './lib/notices.js';
import { STREAMS_KEY, describeStream, shownStreams, streamStoreOf, streamsOfStored } from './lib/streams.js';
import { STRINGS, fillStrings, format } from './lib/strings.js';

const api = globalThis.browser ?? globalThis.chrome;
const $ = (id) => document.getElementById(id);

async function show() {
  const stored = await api.storage.local.get({ [NOTICES_KEY]: [] });
  const notices = Array.isArray(stored[NOTICES_KEY]) ? stored[NOTICES_KEY] : [];
  const list = $('notices');
  list.replaceChildren(
    ...notices.map((notice) => {
      const item = document.createElement('li');
      item.textContent = notice.text;
      item.title = new Date(notice.at).toLocaleString();
      return item;
    }),
  );
  $('empty').hidden = notices.length > 0;
  $('clear').hidden = notices.length === 0;
  await api.action?.setBadgeText?.({ text: '' });
}

// A stream goes over with the page it plays on as the referrer; the
// background adds the cookies and the browser's user agent.
async function sendStream(stream) {
  const answer = await api.runtime.sendMessage({ type: 'download', url: stream.url, referrer: stream.pageUrl });
  $('result').hidden = false;
  $('result').textContent = answer && answer.taken ? format(STRINGS.taken, stream.url) : (answer && answer.error) || '';
  await show();
}

async function showStreams() {
  const [tab] = (await api.tabs?.query?.({ active: true, currentWindow: true })) ?? [];
  const stored = tab ? await streamStoreOf(api.storage).get({ [STREAMS_KEY]: {} }) : {};
  const streams = shownStreams(tab ? streamsOfStored(stored)[tab.id] : []);
  $('streams').replaceChildren(
    ...streams.map((stream) => {
      const item = document.createElement('li');
      const what = document.createElement('span');
      what.className = 'what';
      const described = describeStream(stream);
      what.textContent = (described ? described + ' \u2014 ' : '') + stream.url;
      what.title = stream.url;
      const button = document.createElement('button');
      button.textContent = STRINGS.downloadStream;
      button.addEventListener('click', () => sendStream(stream));
      item.append(what, button);
      return item;
    }),
  );
  $('streamsTitle').hidden = streams.length === 0;
}

async function clear() {
  await api.storage.local.set({ [NOTICES_KEY]: [] });
  await show();
}

async function send(event) {
  event.preventDefault();
  const answer = await api.runtime.sendMessage({ type: 'download', url: $('link').value.trim() });
  $('result').hidden = false;
  $('result').textContent = answer && answer.taken ? format(STRINGS.taken, $('link').value.trim()) : (answer && answer.error) || '';
  await show();
}

fillStrings(document);
$('link').placeholder = STRINGS.linkPrompt;
$('clear').addEventListener('click', clear);
$('send').addEventListener('submit', send);
showStreams();
show();
