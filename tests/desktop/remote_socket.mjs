// A browser's remote protocol over one web socket (DevTools in Chromium,
// WebDriver BiDi in Firefox): commands carry an id, and the answer with the
// same id settles the command's promise. Events are left to the caller.
export async function openRemoteSocket(url) {
  const socket = new WebSocket(url);
  await new Promise((resolve, reject) => {
    socket.onopen = resolve;
    socket.onerror = reject;
  });
  let next = 0;
  const pending = new Map();
  socket.onmessage = (event) => {
    const message = JSON.parse(event.data);
    if (pending.has(message.id)) {
      pending.get(message.id)(message);
      pending.delete(message.id);
    }
  };
  return {
    // The whole answer message of one command.
    command(method, params = {}) {
      const id = ++next;
      socket.send(JSON.stringify({ id, method, params }));
      return new Promise((resolve) => pending.set(id, resolve));
    },
    close: () => socket.close(),
  };
}
