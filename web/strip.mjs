// node strip.mjs INPUT OUTPUT [module|css]: the script (or ES module) without its comments and
// the spaces between its tokens, for the page's and the package's JavaScript, which the build
// ships so: a third of their bytes gzipped. Every token is kept as written, and a line break
// wherever one stood between two tokens, so that the code reads and runs as before (automatic
// semicolons included); the result is read again and its tokens checked to be the same, or the
// build fails. Reads with acorn, which emscripten's own tools use (Debian's node-acorn, on
// NODE_PATH). A style sheet loses its comments and indents.
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const acorn = createRequire(import.meta.url)('acorn');

// Each token's type, text and whether a line break stood before it.
function tokens(source, sourceType) {
  const list = [];
  let end = 0;
  for (const token of acorn.tokenizer(source, { ecmaVersion: 'latest', sourceType, allowHashBang: true })) {
    list.push({ type: token.type.label, text: source.slice(token.start, token.end), broken: /[\n\r\u2028\u2029]/.test(source.slice(end, token.start)) });
    end = token.end;
  }
  return list;
}

const word = /[\w$\u0080-\uffff\\]/;
// Whether two tokens written together would read as other tokens: words and numbers run
// together, "+ +" and "- -" become "++" and "--", a slash begins a comment, "1 .x" a fraction.
function apart(before, after) {
  const last = before[before.length - 1];
  const first = after[0];
  return (word.test(last) && word.test(first)) || ('+-'.includes(last) && '+-'.includes(first)) ||
    (last === '/' && '/*'.includes(first)) || (/\d/.test(last) && first === '.') ||
    (last === '<' && first === '!') || (last === '-' && first === '>');
}

export function strip(source, sourceType = 'script') {
  const read = tokens(source, sourceType);
  let out = '';
  for (const [i, token] of read.entries()) {
    // A template's text runs from a quote or a substitution to the next: nothing comes between.
    const inTemplate = i > 0 && (token.type === 'template' || read[i - 1].type === 'template');
    if (i > 0 && !inTemplate) {
      if (token.broken) out += '\n';
      else if (apart(out, token.text)) out += ' ';
    }
    out += token.text;
  }
  out += '\n';
  const again = tokens(out, sourceType);
  const same = again.length === read.length &&
    again.every((t, i) => t.type === read[i].type && t.text === read[i].text && (i === 0 || t.broken === read[i].broken));
  if (!same) throw new Error('strip.mjs: the code read otherwise once stripped');
  return out;
}

// A style sheet without its comments (not those in its strings) and indents.
export function stripCss(source) {
  let out = '';
  for (let i = 0; i < source.length; i++) {
    const c = source[i];
    if (c === '/' && source[i + 1] === '*') {
      const end = source.indexOf('*/', i + 2);
      if (end < 0) throw new Error('strip.mjs: a comment not ended');
      i = end + 1;
    } else if (c === '"' || c === "'") {
      let j = i + 1;
      while (j < source.length && source[j] !== c) j += source[j] === '\\' ? 2 : 1;
      out += source.slice(i, j + 1);
      i = j;
    } else {
      out += c;
    }
  }
  return out.replace(/^[ \t]+/gm, '').replace(/\n{2,}/g, '\n').replace(/^\n/, '');
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [input, output, kind] = process.argv.slice(2);
  const source = readFileSync(input, 'utf8');
  writeFileSync(output, kind === 'css' ? stripCss(source) : strip(source, kind === 'module' ? 'module' : 'script'));
}
