// WorkerClient: the page's side of a worker (worker.js) that does the heavy work off the page's
// thread, so that the page answers a click while it works. Each call is a message with an id;
// its answer's promise resolves with {result, stopped}, and progress is heard between.
(function (page) {
  'use strict';

  let lastId = 0;

  class WorkerClient {
    // core: what core.js hands over (OrvikCore); worker: one it already started, if any.
    constructor(core, worker) {
      this.core = core;
      this.start(worker);
    }

    start(worker) {
      this.pending = new Map();
      this.worker = worker || this.core.worker();
      this.worker.onmessage = ({ data }) => this.receive(data);
      this.worker.onerror = (event) => {
        event.preventDefault();
        this.restart(`the worker stopped: ${event.message}`);
      };
      // Every message waits for the compiled core, which goes first.
      const started = this.worker;
      this.sent = this.core.compiled.then((compiled) => started.postMessage({ op: 'core', compiled }), () => {});
    }

    // Sends message; the answer's promise, and its id to cancel it by.
    call(message, onProgress) {
      const id = ++lastId;
      const done = new Promise((resolve, reject) => this.pending.set(id, { resolve, reject, onProgress }));
      const worker = this.worker;
      this.sent.then(() => worker.postMessage({ ...message, id }));
      return { id, done };
    }

    receive({ id, progress, result, error, stopped }) {
      const call = this.pending.get(id);
      if (!call) return;
      if (progress !== undefined) {
        if (call.onProgress) call.onProgress(progress);
        return;
      }
      this.pending.delete(id);
      if (error !== undefined) call.reject(new Error(error));
      else call.resolve({ result, stopped });
    }

    // The work stops at its next slice and answers with what it did.
    cancel(id) {
      const worker = this.worker;
      this.sent.then(() => worker.postMessage({ op: 'cancel', of: id }));
    }

    // A worker that failed is started anew; its calls fail with why.
    restart(why) {
      this.worker.terminate();
      for (const call of this.pending.values()) call.reject(new Error(why));
      this.start();
    }
  }

  page.WorkerClient = WorkerClient;
})(globalThis.OrvikPage = globalThis.OrvikPage || {});
