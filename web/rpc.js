// The page's side of the worker: call(op, args, transfer) posts one request
// and returns a promise of the handler's result, rejected with an Error
// whose message is the reason. The worker comes from worker.js beside the
// page, or (in the single file) from the source the build put into it.

/* global ARTISANSCOPE_WORKER, ARTISANSCOPE_WASM */
let worker = null;
let nextId = 1;
const pending = new Map();

function startWorker() {
  const inlined = typeof ARTISANSCOPE_WORKER === 'string';
  const url = inlined ? URL.createObjectURL(new Blob([ARTISANSCOPE_WORKER], { type: 'text/javascript' }))
                      : new URL('worker.js', document.baseURI);
  const started = new Worker(url, { name: 'artisanscope' });
  started.onmessage = ({ data }) => {
    const waiting = pending.get(data.id);
    if (!waiting) return;
    pending.delete(data.id);
    if ('error' in data) waiting.reject(new Error(data.error));
    else waiting.resolve(data.result);
  };
  started.onerror = event => {
    event.preventDefault();
    const reason = new Error(event.message || 'the worker failed');
    for (const waiting of pending.values()) waiting.reject(reason);
    pending.clear();
  };
  // The single file carries the module's bytes in base64.
  if (typeof ARTISANSCOPE_WASM === 'string') started.postMessage({ id: 0, op: 'wasm', args: { base64: ARTISANSCOPE_WASM } });
  return started;
}

export function call(op, args = {}, transfer = []) {
  if (!worker) worker = startWorker();
  const id = nextId++;
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject });
    worker.postMessage({ id, op, args }, transfer);
  });
}
