// The make panel: the command's make on a font from the user's disk, and "Download
// C" for the open font. Runs after make.js's module loader, which defines
// createFontx2Make. In the page it builds the panel (the page calls
// window.fontx2Make.attach once it has loaded make.js) and starts make.js again
// as a Web Worker, where make runs, so a long make never freezes the page.
(function () {
  'use strict';

  // Runs make as 'fontx2sheet make SOURCE -o OUT ARGS...' would in a folder
  // holding the source: the output's bytes, or null; the report either way.
  // charFiles: the files --chars names as @/chars/NAME, each {name, bytes}.
  function make(module, report, { sourceName, bytes, outName, args, charFiles = [] }) {
    const FS = module.FS;
    for (const dir of ['/in', '/chars', '/out']) if (!FS.analyzePath(dir).exists) FS.mkdir(dir);
    const source = '/in/' + sourceName;
    FS.writeFile(source, bytes);
    for (const f of charFiles) FS.writeFile('/chars/' + f.name, f.bytes);
    FS.chdir('/out');
    const words = [source, '-o', outName, ...args];
    const packed = new TextEncoder().encode(words.join('\0') + '\0');
    const at = module._malloc(packed.length);
    module.HEAPU8.set(packed, at);
    report.length = 0;
    let status;
    try {
      status = module._fontx2_make(at, words.length);
    } finally {
      module._free(at);
      FS.unlink(source);
      for (const f of charFiles) FS.unlink('/chars/' + f.name);
    }
    const made = FS.analyzePath(outName).exists ? FS.readFile(outName) : null;
    if (made) FS.unlink(outName);
    // The report names files as the user knows them.
    const text = report.join('\n').split(source).join(sourceName).split('/chars/').join('');
    return { status, made: status === 0 ? made : null, text };
  }

  if (typeof document === 'undefined') { // in the worker
    const report = [];
    const ready = createFontx2Make({ print: (line) => report.push(line), printErr: (line) => report.push(line) });
    ready.then(() => postMessage({ id: 0 }), (e) => postMessage({ id: 0, error: String(e) }));
    onmessage = async ({ data }) => {
      try {
        const result = make(await ready, report, data);
        postMessage({ id: data.id, ...result }, result.made ? [result.made.buffer] : []);
      } catch (e) {
        postMessage({ id: data.id, error: String(e.message || e) });
      }
    };
    return;
  }

  const $ = (id) => document.getElementById(id);
  // A file's name without its extension (and without .gz before it).
  const stem = (name) => name.replace(/\.gz$/i, '').replace(/\.[^.]*$/, '') || 'font';
  // Names the file system cannot hold ('/', NUL) become '_'.
  const safeName = (name) => name.replace(/[/\0]/g, '_') || 'font';
  // A characters file's name as --chars takes it: a comma would end it.
  const charsName = (name) => safeName(name).replace(/,/g, '_');

  // The controls, labelled; ids are what scripts and tests use.
  const PANEL = `
    <p>Convert a BDF, PCF (also gzipped), TrueType/OpenType or FONTX2 font, as
    <code>fontx2sheet make</code> does. Leave a field empty for the command's default.</p>
    <div class="row"><label for="make-input">Source font</label>
      <input type="file" id="make-input" accept=".bdf,.pcf,.gz,.ttf,.otf,.ttc,.fnt,.fnx,.fx2,.tlf"></div>
    <div class="row"><label for="make-size">Size in pixels</label>
      <input type="number" id="make-size" min="1" max="255" placeholder="the only strike"></div>
    <div class="row"><label for="make-codes">Codes</label>
      <select id="make-codes">
        <option value="">by the source's charset</option>
        <option value="single">single (codes 0-255)</option>
        <option value="sjis">sjis (double-byte Shift-JIS)</option>
        <option value="unicode">unicode (double-byte, BMP code points)</option>
        <option value="double">double (the two-byte codes of the code set)</option>
      </select></div>
    <div class="row"><label for="make-encoding">Code set (with single or double codes)</label>
      <input type="text" id="make-encoding" size="20" list="make-encodings" placeholder="e.g. CP932, ISO-8859-1, GBK">
      <datalist id="make-encodings"><option value="CP932"><option value="ISO-8859-1">
        <option value="ISO-8859-5"><option value="KOI8-R"><option value="EUC-KR"><option value="CP949">
        <option value="GBK"><option value="GB2312"><option value="BIG5"></datalist></div>
    <div class="row"><label for="make-chars">Characters</label>
      <input type="text" id="make-chars" size="40" placeholder="U+0020-007E,U+3040-30FF (empty: all)">
      <label for="make-chars-file">and those of a UTF-8 text file</label>
      <input type="file" id="make-chars-file" accept=".txt,text/plain"></div>
    <div class="row">
      <button type="button" id="download-make">Make and download the FONTX2 font</button>
      <button type="button" id="download-make-c">Make and download it as C</button>
    </div>
    <div class="row"><button type="button" id="download-c" disabled>Download C of the open font</button></div>
    <pre id="make-report" aria-live="polite" style="white-space: pre-wrap"></pre>`;

  // The worker and the answers it owes, by request number (0: that it is ready).
  const worker = new Worker(document.currentScript.src);
  const waiting = new Map();
  let asked = 0;
  const ready = new Promise((resolve, reject) => waiting.set(0, (a) => (a.error ? reject(new Error(a.error)) : resolve())));
  const ask = (request) => new Promise((resolve) => {
    waiting.set(++asked, resolve);
    worker.postMessage({ id: asked, ...request });
  });
  worker.onmessage = ({ data }) => {
    waiting.get(data.id)(data);
    waiting.delete(data.id);
  };
  // A worker that died (out of memory, a fault) answers nothing more.
  worker.onerror = (e) => {
    for (const resolve of waiting.values()) resolve({ error: e.message || 'the font maker stopped' });
    waiting.clear();
  };

  // The panel's options as the command's arguments.
  function options() {
    const args = [];
    const size = $('make-size').value.trim();
    if (size !== '') args.push('--size', size);
    for (const [id, option] of [['make-codes', '--codes'], ['make-encoding', '--encoding']]) {
      const value = $(id).value.trim();
      if (value !== '') args.push(option, value);
    }
    const file = $('make-chars-file').files[0];
    const chars = [$('make-chars').value.trim(), file ? '@/chars/' + charsName(file.name) : ''].filter((p) => p);
    if (chars.length) args.push('--chars', chars.join(','));
    return args;
  }

  // The characters file chosen, as the worker takes it.
  async function charFiles() {
    const file = $('make-chars-file').files[0];
    return file ? [{ name: charsName(file.name), bytes: new Uint8Array(await file.arrayBuffer()) }] : [];
  }

  async function run(page, sourceName, bytes, outName, args, mime, chars = []) {
    const done = page.busy(`Making ${outName}…`);
    try {
      await ready;
      const result = await ask({ sourceName: safeName(sourceName), bytes, outName, args, charFiles: chars });
      if (result.error) throw new Error(result.error);
      $('make-report').textContent = result.text;
      page.message(result.text || `make ended with status ${result.status}`, result.made ? 'info' : 'error');
      if (result.made) page.download(outName, result.made, mime);
      return result;
    } catch (e) {
      page.message(`make failed: ${e.message || e}`, 'error');
      return null;
    } finally {
      done();
    }
  }

  async function makeFromInput(page, asC) {
    const file = $('make-input').files[0];
    if (!file) {
      page.message('Choose a source font first.', 'error');
      return;
    }
    const bytes = new Uint8Array(await file.arrayBuffer());
    const out = stem(safeName(file.name)) + (asC ? '.c' : '.fnt');
    const result = await run(page, file.name, bytes, out, [...options(), ...(asC ? ['--format', 'c'] : [])],
      asC ? 'text/x-c' : 'application/octet-stream', await charFiles());
    if (result && result.made && !asC) page.open(out, result.made);
  }

  function attach(page) {
    $('make-controls').innerHTML = PANEL;
    $('download-make').addEventListener('click', () => makeFromInput(page, false));
    $('download-make-c').addEventListener('click', () => makeFromInput(page, true));
    const downloadC = $('download-c');
    downloadC.addEventListener('click', () => {
      const font = page.current();
      if (font) run(page, font.name, font.bytes, stem(safeName(font.name)) + '.c', ['--format', 'c'], 'text/x-c');
    });
    const follow = (font) => { downloadC.disabled = !font; };
    page.onSelect(follow);
    follow(page.current());
  }

  window.fontx2Make = { attach, ready };
})();
