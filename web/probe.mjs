// Loads the WebAssembly build (orvik.mjs) under Node and prints what it answers:
//   node web/probe.mjs build-web/orvik.mjs roll SEED TEXT...   as orvik --seed SEED TEXT...
//   node web/probe.mjs build-web/orvik.mjs odds TEXT           as orvik --odds --json TEXT
//   node web/probe.mjs build-web/orvik.mjs json-time TEXT      the JSON's own time, 11 runs
// The time the odds took goes to standard error.
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [modulePath, command, ...args] = process.argv.slice(2);
const { default: createOrvik } = await import(pathToFileURL(path.resolve(modulePath)).href);
const orvik = await createOrvik();

if (command === 'roll') {
    args.slice(1).forEach((text, i) => {
        const seed = i === 0 ? Number(args[0]) : 0;
        console.log(orvik.ccall('orvikProbeRoll', 'string', ['number', 'string'], [seed, text]));
    });
} else if (command === 'odds') {
    const start = performance.now();
    const json = orvik.ccall('orvikProbeOddsJson', 'string', ['string'], [args[0]]);
    console.error(`odds of ${args[0]}: ${(performance.now() - start).toFixed(1)} ms`);
    console.log(json);
} else if (command === 'json-time') {
    const times = [];
    for (let i = 0; i < 11; ++i)
        times.push(orvik.ccall('orvikProbeJsonMilliseconds', 'number', ['string'], [args[0]]));
    times.sort((a, b) => a - b);
    console.log(`JSON of ${args[0]}: least ${times[0].toFixed(1)} ms, median ${times[5].toFixed(1)} ms of 11`);
} else {
    console.error('usage: node probe.mjs ORVIK_MJS roll SEED TEXT... | odds TEXT | json-time TEXT');
    process.exit(2);
}
