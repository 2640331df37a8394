// What a browser this process started holds, as a person's machine counts it: the resident
// memory of every process descended from this one, in MB.
import fs from 'node:fs';

export function treeMegabytes() {
  const parent = new Map();
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      parent.set(Number(pid), Number(fs.readFileSync(`/proc/${pid}/stat`, 'utf8').replace(/^.*\) /, '').split(' ')[1]));
    } catch {
      // gone meanwhile
    }
  }
  const ours = (pid) => {
    for (let at = parent.get(pid); at !== undefined && at > 1; at = parent.get(at)) if (at === process.pid) return true;
    return false;
  };
  let kb = 0;
  for (const pid of parent.keys()) {
    if (!ours(pid)) continue;
    try {
      kb += Number(fs.readFileSync(`/proc/${pid}/status`, 'utf8').match(/^VmRSS:\s+(\d+)/m)[1]);
    } catch {
      // gone meanwhile
    }
  }
  return kb / 1024;
}
