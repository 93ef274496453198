// The page: opens fonts from the user's disk into the module, shows the sheet,
// the findings, the repair and text, and offers other code (make) one object,
// window.fontx2Page, to reach the selected font and the page's message area.
(function () {
  'use strict';
  const $ = (id) => document.getElementById(id);
  // A file this large is refused before it is read: the module holds a font
  // twice (its file and its bytes) within 2 GB.
  const MAX_FILE_BYTES = 256 * 1024 * 1024;
  // The most pixels a sheet may have here (4 bytes each in the module, and as many
  // on the canvas); beyond it the page asks for a smaller scale.
  const MAX_SHEET_PIXELS = 64 * 1024 * 1024;
  // How many of the sheet's pixels are given to the canvas at a time.
  const SHEET_BAND_PIXELS = 256 * 1024;
  // Chromium's and Firefox's canvases take no side longer than this.
  const MAX_CANVAS_SIDE = 32767;

  let mod = null; // the WebAssembly module
  const fonts = []; // {handle, name, bytes, folder}
  let selected = null;
  let pair = null;
  let nextFolder = 1;
  const selectListeners = [];
  const sink = { out: [], err: [] };

  function message(text, kind) {
    const m = $('message');
    m.textContent = text;
    m.className = kind === 'error' ? 'error' : '';
  }

  // Shows text as work in progress (the page is busy while any such work is
  // under way); the function returned ends it, putting back the message it
  // replaced unless another one came meanwhile.
  let busyCount = 0;
  function busy(text) {
    const m = $('message'), before = [m.textContent, m.className];
    message(text, 'info');
    ++busyCount;
    document.body.setAttribute('aria-busy', 'true');
    let ended = false;
    return () => {
      if (ended) return;
      ended = true;
      if (m.textContent === text) [m.textContent, m.className] = before;
      if (--busyCount === 0) document.body.removeAttribute('aria-busy');
    };
  }
  const nextPaint = () => new Promise((resolve) => setTimeout(resolve, 0));

  function download(fileName, bytes, mimeType) {
    const url = URL.createObjectURL(new Blob([bytes], { type: mimeType }));
    const a = document.createElement('a');
    a.href = url;
    a.download = fileName;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  }

  const call = (name, ret, types, args) => mod.ccall(name, ret, types, args);
  const lastText = () => mod.UTF8ToString(mod._web_text_out());
  // The module's last pixels as an ImageData on the module's memory: used at
  // once, before the module runs again and may move or change them.
  function lastPixels() {
    const w = mod._web_width(), h = mod._web_height();
    if (!w || !h) return null;
    return new ImageData(new Uint8ClampedArray(mod.HEAPU8.buffer, mod._web_bytes_out(), w * h * 4), w, h);
  }
  function lastBytes() {
    const at = mod._web_bytes_out();
    return mod.HEAPU8.slice(at, at + mod._web_bytes_size());
  }

  // ---- fonts ---------------------------------------------------------------------
  // A font into the module; null, with the command's reason shown, when it is not one.
  function openBytes(name, bytes) {
    const safe = name.replace(/[\/\0]/g, '_') || 'font';
    const folder = '/fonts/' + nextFolder++;
    mod.FS.mkdirTree(folder);
    mod.FS.writeFile(folder + '/' + safe, bytes);
    const handle = call('web_open', 'number', ['string', 'string'], [folder, safe]);
    if (!handle) {
      const why = lastText();
      mod.FS.unlink(folder + '/' + safe);
      mod.FS.rmdir(folder);
      message(name + ': ' + why, 'error');
      return null;
    }
    const font = { handle, name, bytes, folder, file: safe };
    font.info = JSON.parse(call('web_inspect', 'string', ['number'], [handle]));
    fonts.push(font);
    refreshLists();
    return font;
  }

  function closeFont(font) {
    call('web_close', null, ['number'], [font.handle]);
    mod.FS.unlink(font.folder + '/' + font.file);
    mod.FS.rmdir(font.folder);
    fonts.splice(fonts.indexOf(font), 1);
    if (pair === font) pair = null;
    select(fonts[0] || null);
  }

  function refreshLists() {
    const list = $('font-list'), pairs = $('pair-font');
    list.replaceChildren();
    pairs.replaceChildren(new Option('none', ''));
    fonts.forEach((f, i) => {
      const kind = f.info.code_type === 'double' ? 'double-byte' : 'single-byte';
      const label = `${f.name} (${f.info.width} x ${f.info.height}, ${kind})`;
      list.add(new Option(label, String(i), false, f === selected));
      pairs.add(new Option(label, String(i), false, f === pair));
    });
    $('close-font').disabled = !selected;
  }

  async function openFiles(files, asPair) {
    files = Array.from(files);
    if (!files.length) return;
    const started = performance.now();
    const done = busy(`Opening ${files.length === 1 ? files[0].name : files.length + ' files'}…`);
    const refused = [];
    let last = null;
    try {
      for (let i = 0; i < files.length; ++i) {
        const f = files[i];
        if (files.length > 1) message(`Opening ${i + 1} of ${files.length}: ${f.name}…`, 'info');
        await nextPaint();
        if (f.size > MAX_FILE_BYTES) {
          refused.push(`${f.name}: ${f.size.toLocaleString('en')} bytes, more than any FONTX2 font: not opened`);
          continue;
        }
        const font = openBytes(f.name, new Uint8Array(await f.arrayBuffer()));
        if (font) last = font;
        else refused.push($('message').textContent);
      }
    } finally {
      done();
    }
    if (last && asPair) pair = last;
    else if (last) {
      await select(last);
      // From the files chosen to their sheet on the canvas, for the page's own measurements.
      $('sheet').dataset.openMs = (performance.now() - started).toFixed(1);
    }
    refreshLists();
    await drawText();
    if (refused.length) message(refused.join(' · '), 'error');
    else if (last) message(`Opened ${files.length === 1 ? last.name : files.length + ' fonts'}.`, 'info');
  }

  // Shows a font (null: none); resolved once its sheet is drawn.
  function select(font) {
    selected = font;
    // An error about the font shown before is not about this one.
    if ($('message').className === 'error') message('');
    refreshLists();
    showFacts();
    prepareFix();
    showFindings();
    const sheet = drawSheet();
    drawText();
    selectListeners.forEach((cb) => cb(font ? { name: font.name, bytes: font.bytes } : null));
    return sheet;
  }

  // ---- check -------------------------------------------------------------------------
  const count = (n) => Number(n).toLocaleString('en');
  function facts(target, pairs) {
    target.replaceChildren();
    for (const [k, v] of pairs) {
      const dt = document.createElement('dt'), dd = document.createElement('dd');
      dt.textContent = k;
      dd.textContent = v;
      target.append(dt, dd);
    }
  }

  function showFacts() {
    if (!selected) return facts($('facts'), []);
    const i = selected.info;
    const rows = [
      ['file', selected.name],
      ['name', JSON.stringify(i.name)],
      ['glyph', `${i.width} x ${i.height} pixels, ${i.bytes_per_glyph} bytes each`],
      ['code type', i.code_type === 'double' ? '1 (double-byte)' : '0 (single-byte)'],
    ];
    if (i.code_type === 'double') rows.push(['blocks', `${count(i.blocks.length)} (count byte ${i.declared_blocks})`]);
    rows.push(['glyphs', `${count(i.glyphs_announced)} announced, ${count(i.glyphs_present)} wholly present`]);
    rows.push(['size', `${count(i.expected_size)} bytes expected, ${count(i.size)} actual`]);
    rows.push(['order', i.order]);
    facts($('facts'), rows);
  }

  // Instances beyond this many are counted, not listed, so a large font stays quick.
  const INSTANCES_SHOWN = 50;
  // The kinds a rewrite removes (the library's table), marked when the repair is at hand.
  let fixableKinds = new Set();
  function showFindings() {
    const list = $('findings');
    list.replaceChildren();
    if (!selected) return;
    for (const f of selected.info.findings) {
      const li = document.createElement('li');
      li.dataset.kind = f.kind;
      li.dataset.severity = f.severity;
      li.dataset.count = String(f.count);
      const head = document.createElement('strong');
      head.textContent = `${f.severity} ${f.kind} (${count(f.count)})`;
      li.append(head, ': ' + f.message);
      if (fixableKinds.has(f.kind) && repaired) {
        li.dataset.fixable = 'true';
        li.append(' (Repair removes it)');
      }
      // Instances as lines, not list items: the list's items are the findings.
      const shown = f.instances.filter((x) => x !== f.message);
      if (shown.length) {
        const lines = shown.slice(0, INSTANCES_SHOWN);
        if (shown.length > INSTANCES_SHOWN) lines.push(`… and ${count(shown.length - INSTANCES_SHOWN)} more`);
        const pre = document.createElement('pre');
        pre.className = 'instances';
        pre.textContent = lines.join('\n');
        li.append(pre);
      }
      list.append(li);
    }
    if (!selected.info.findings.length) {
      const li = document.createElement('li');
      li.textContent = 'none';
      list.append(li);
    }
  }

  // ---- repair ------------------------------------------------------------------------
  let repaired = null;
  function prepareFix() {
    repaired = null;
    const button = $('download-fix'), changes = $('fix-changes');
    changes.replaceChildren();
    button.disabled = true;
    $('fix-state').textContent = '';
    if (!selected) return;
    const r = JSON.parse(call('web_fix', 'string', ['number'], [selected.handle]));
    if (!r.written) {
      $('fix-state').textContent = `The font ${r.why}.`;
      return;
    }
    repaired = lastBytes();
    for (const c of r.changes) {
      const li = document.createElement('li');
      li.textContent = `${c.kind}: ${c.message}`;
      changes.append(li);
    }
    button.disabled = false;
    $('fix-state').textContent = `${count(repaired.length)} bytes, read back alike by both readers`;
  }

  // "NAME-fixed.EXT": never the font's own name.
  function repairedName(name) {
    const dot = name.lastIndexOf('.');
    return dot > 0 ? name.slice(0, dot) + '-fixed' + name.slice(dot) : name + '-fixed';
  }

  // ---- sheet -------------------------------------------------------------------------
  let sheetLayout = null;
  let cursor = null; // {column, row} of the keyboard's cell

  function sheetOptions() {
    return [
      Number($('sheet-order').value), $('sheet-column').checked ? 1 : 0,
      $('sheet-labels').checked ? 1 : 0, Number($('sheet-scale').value),
      Number($('sheet-per-row').value), Math.min(16, Math.max(0, Number($('sheet-gap').value) | 0)),
      $('sheet-missing').checked ? 1 : 0, 0xffffff, 0x000000, 0x808080, MAX_SHEET_PIXELS,
    ];
  }

  // The sheet is drawn after the browser has shown that it is being drawn,
  // as a large one takes a while; only the last one asked for is drawn.
  let sheetsAsked = 0;
  async function drawSheet() {
    const ticket = ++sheetsAsked;
    const font = selected;
    const end = busy(font ? `Drawing the sheet of ${font.name}…` : '');
    try {
      await nextPaint();
      if (ticket === sheetsAsked) drawSheetNow(font);
    } finally {
      end();
    }
  }

  function drawSheetNow(font) {
    const canvas = $('sheet');
    sheetLayout = null;
    $('download-png').disabled = true;
    if (!font) {
      canvas.width = canvas.height = 0;
      return;
    }
    const started = performance.now();
    const rc = call('web_render', 'number',
      ['number', 'number', 'number', 'number', 'number', 'number', 'number', 'number', 'number', 'number', 'number', 'number'],
      [font.handle, ...sheetOptions()]);
    const rendered = performance.now();
    if (rc !== 0) {
      canvas.width = canvas.height = 0;
      message(`${font.name}: ${lastText()}`, 'error');
      return;
    }
    const layout = call('web_sheet_layout', 'string', [], []);
    const geometry = JSON.parse(layout), { width: w, height: h } = geometry;
    if (w > MAX_CANVAS_SIDE || h > MAX_CANVAS_SIDE) {
      canvas.width = canvas.height = 0;
      message(`${font.name}: the sheet would be ${count(w)} x ${count(h)} pixels; ` +
        `a browser canvas has at most ${count(MAX_CANVAS_SIDE)} a side: choose the grid, more codes a row or a smaller scale`, 'error');
      return;
    }
    // Setting a canvas's size, even to the one it has, makes its memory anew;
    // the rows put next cover every pixel.
    if (canvas.width !== w || canvas.height !== h) {
      canvas.width = w;
      canvas.height = h;
    }
    if (!putSheetRows(canvas.getContext('2d'), w, h)) {
      canvas.width = canvas.height = 0;
      message(`${font.name}: not enough memory for the sheet`, 'error');
      return;
    }
    // How long the module and the whole drawing took, for the page's own measurements.
    canvas.dataset.renderMs = (rendered - started).toFixed(1);
    canvas.dataset.drawMs = (performance.now() - started).toFixed(1);
    canvas.dataset.layout = layout;
    sheetLayout = geometry;
    cursor = null;
    $('download-png').disabled = false;
  }

  // The sheet's rows a band at a time, through one small buffer the module
  // reuses: a whole sheet as RGBA would be megabytes of memory touched afresh.
  // False when the module has no memory for a band.
  function putSheetRows(context, w, h) {
    const band = Math.max(1, Math.floor(SHEET_BAND_PIXELS / w));
    for (let top = 0; top < h; top += band) {
      const rows = Math.min(band, h - top), at = mod._web_sheet_rows(top, rows);
      if (!at) return false;
      context.putImageData(new ImageData(new Uint8ClampedArray(mod.HEAPU8.buffer, at, w * rows * 4), w, rows), 0, top);
    }
    return true;
  }

  function showCell(code) {
    const dl = $('cell'), glyph = $('cell-glyph');
    if (code < 0 || !selected) return;
    const c = JSON.parse(call('web_cell_info', 'string', ['number', 'number'], [selected.handle, code]));
    const rows = [['code', c.code]];
    if (c.character) rows.push(['character', `${c.character} U+${c.character.codePointAt(0).toString(16).toUpperCase().padStart(4, '0')}`]);
    if (!c.held) rows.push(['glyph', 'no block holds this code']);
    else {
      if (c.block >= 0) rows.push(['block', String(c.block)]);
      rows.push(['glyph', count(c.glyph)], ['offset', `${count(c.offset)} (0x${c.offset.toString(16).toUpperCase()})`]);
      if (!c.present) rows.push(['', 'its glyph lies past the end of the file']);
    }
    facts(dl, rows);
    const pixels = lastPixels();
    if (pixels) {
      glyph.width = pixels.width;
      glyph.height = pixels.height;
      glyph.getContext('2d').putImageData(pixels, 0, 0);
      const zoom = Math.max(1, Math.floor(128 / Math.max(pixels.width, pixels.height)));
      glyph.style.width = pixels.width * zoom + 'px';
      glyph.style.height = pixels.height * zoom + 'px';
    } else {
      glyph.width = glyph.height = 1;
    }
  }

  function cellAtPixel(x, y) {
    return selected ? call('web_cell_at', 'number', ['number', 'number', 'number'], [selected.handle, x, y]) : -1;
  }

  function pointAt(event) {
    const canvas = $('sheet'), box = canvas.getBoundingClientRect();
    if (!box.width || !box.height) return;
    const x = Math.floor((event.clientX - box.left) * canvas.width / box.width);
    const y = Math.floor((event.clientY - box.top) * canvas.height / box.height);
    showCell(cellAtPixel(x, y));
  }

  // Arrow keys, Home and End move a cell at a time; the cell's centre is looked up.
  function moveCursor(event) {
    const l = sheetLayout;
    if (!l) return;
    const moves = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
    if (!(event.key in moves) && event.key !== 'Home' && event.key !== 'End') return;
    event.preventDefault();
    cursor = cursor || { column: 0, row: 0 };
    if (event.key === 'Home') cursor = { column: 0, row: 0 };
    else if (event.key === 'End') cursor = { column: l.columns - 1, row: l.rows - 1 };
    else {
      const [dx, dy] = moves[event.key];
      cursor.column = Math.min(l.columns - 1, Math.max(0, cursor.column + dx));
      cursor.row = Math.min(l.rows - 1, Math.max(0, cursor.row + dy));
    }
    const x = l.left + cursor.column * l.pitchX, y = l.top + cursor.row * l.pitchY;
    showCell(cellAtPixel(x, y));
  }

  // ---- text --------------------------------------------------------------------------
  async function drawText() {
    const canvas = $('text'), missing = $('text-missing');
    missing.replaceChildren();
    const chosen = [selected, pair].filter((f, i, all) => f && all.indexOf(f) === i);
    if (!chosen.length || !mod) {
      canvas.width = canvas.height = 0;
      return;
    }
    sink.out = [];
    sink.err = [];
    const width = Math.min(65535, Math.max(0, Number($('text-width').value) | 0));
    const gap = Math.max(0, Number($('text-gap').value) | 0);
    const status = call('web_text', 'number',
      ['number', 'number', 'string', 'number', 'number', 'number', 'number'],
      [chosen[0].handle, chosen[1] ? chosen[1].handle : 0, $('text-input').value, width, 0,
        Number($('text-wrap').value), gap]);
    for (const line of sink.err) {
      const li = document.createElement('li');
      // The command's words, without its name and the module's folders.
      li.textContent = line.replace(/^fontx2sheet: /, '').replace(/^--text: /, 'the text: ')
        .replace(/\/fonts\/\d+\//g, '').replace(/^\/text\.txt: /, 'the text: ');
      missing.append(li);
    }
    const rows = status === 0 ? sink.out : [];
    paintText(canvas, rows, Number($('text-scale').value));
  }

  // The command's --ascii rows ('#' ink, '.' paper) as pixels, scale x scale each.
  function paintText(canvas, rows, scale) {
    const w = rows.length ? rows[0].length : 0, h = rows.length;
    if (w * scale > MAX_CANVAS_SIDE || h * scale > MAX_CANVAS_SIDE) {
      canvas.width = canvas.height = 0;
      message(`The text would be ${count(w * scale)} x ${count(h * scale)} pixels; a browser canvas has at most ` +
        `${count(MAX_CANVAS_SIDE)} a side: choose a narrower display or a smaller scale`, 'error');
      return;
    }
    canvas.width = w * scale;
    canvas.height = h * scale;
    if (!w || !h) return;
    const image = new ImageData(w * scale, h * scale);
    const data = new Uint32Array(image.data.buffer);
    const ink = 0xffffffff, paper = 0xff000000; // little-endian RGBA
    for (let y = 0; y < h * scale; ++y) {
      const row = rows[Math.floor(y / scale)];
      for (let x = 0; x < w * scale; ++x) data[y * w * scale + x] = row[Math.floor(x / scale)] === '#' ? ink : paper;
    }
    canvas.getContext('2d').putImageData(image, 0, 0);
  }

  // ---- make (loaded when first used) -------------------------------------------------------
  let makeLoading = null;
  function loadMake() {
    if (makeLoading) return makeLoading;
    makeLoading = new Promise((resolve, reject) => {
      const s = document.createElement('script');
      s.src = 'make.js';
      s.onload = () => {
        $('make-load').remove();
        window.fontx2Make.attach(window.fontx2Page);
        resolve();
      };
      s.onerror = () => {
        message('The font maker (make.js) is not part of this copy of the page.', 'error');
        makeLoading = null;
        reject(new Error('make.js did not load'));
      };
      document.head.appendChild(s);
    });
    return makeLoading;
  }

  // ---- wiring ------------------------------------------------------------------------
  function wire() {
    $('font-input').addEventListener('change', (e) => openFiles(e.target.files, false).then(() => { e.target.value = ''; }));
    $('pair-input').addEventListener('change', (e) => openFiles(e.target.files, true).then(() => { e.target.value = ''; }));
    $('font-list').addEventListener('change', (e) => select(fonts[Number(e.target.value)] || null));
    $('pair-font').addEventListener('change', (e) => {
      pair = e.target.value === '' ? null : fonts[Number(e.target.value)];
      drawText();
    });
    $('close-font').addEventListener('click', () => selected && closeFont(selected));
    for (const id of ['sheet-order', 'sheet-column', 'sheet-labels', 'sheet-scale', 'sheet-per-row', 'sheet-gap', 'sheet-missing'])
      $(id).addEventListener('change', () => drawSheet());
    for (const id of ['text-input', 'text-width', 'text-wrap', 'text-gap', 'text-scale'])
      $(id).addEventListener('input', () => drawText());
    const sheet = $('sheet');
    sheet.addEventListener('pointermove', pointAt);
    sheet.addEventListener('click', pointAt);
    sheet.addEventListener('keydown', moveCursor);
    $('download-png').addEventListener('click', () => {
      if (!selected) return;
      const name = selected.name.replace(/\.[^.]*$/, '') + '.png';
      $('sheet').toBlob((blob) => download(name, blob, 'image/png'), 'image/png');
    });
    $('download-fix').addEventListener('click', () => {
      if (repaired) download(repairedName(selected.name), repaired, 'application/octet-stream');
    });
    document.addEventListener('dragover', (e) => {
      e.preventDefault();
      $('drop').classList.add('over');
    });
    document.addEventListener('dragleave', () => $('drop').classList.remove('over'));
    document.addEventListener('drop', (e) => {
      e.preventDefault();
      $('drop').classList.remove('over');
      openFiles(e.dataTransfer.files, false);
    });
    const panel = $('make-panel');
    const first = () => loadMake().catch(() => {});
    panel.addEventListener('focusin', first, { once: true });
    panel.addEventListener('pointerdown', first, { once: true });
    $('make-load').addEventListener('click', first);
  }

  let resolveReady, rejectReady;
  const ready = new Promise((resolve, reject) => { resolveReady = resolve; rejectReady = reject; });
  window.fontx2Page = {
    ready,
    current: () => (selected ? { name: selected.name, bytes: selected.bytes } : null),
    onSelect: (callback) => selectListeners.push(callback),
    open: (name, bytes) => {
      const font = openBytes(name, bytes);
      if (font) select(font);
      return !!font;
    },
    message,
    download,
    busy,
    loadMake,
  };

  createFontx2Web({
    print: (line) => sink.out.push(line),
    printErr: (line) => sink.err.push(line),
    onAbort: () => message('The page ran out of memory or met a fault: reload it to go on.', 'error'),
  }).then((m) => {
    mod = m;
    wire();
    fixableKinds = new Set(JSON.parse(call('web_fixable_kinds', 'string', [], [])));
    window.fontx2Page.readyMs = performance.now();
    message('Open a FONTX2 font: choose it above or drop it on the page.', 'info');
    resolveReady();
  }, (e) => {
    message('This browser could not start the page\'s WebAssembly module: ' + e, 'error');
    rejectReady(e);
  });
})();
