// The sheet canvas against `fontx2sheet render` in several layouts and scales,
// the PNG download against it too, a cell's facts against `lookup`, and how
// long the first sheets take.
import assert from 'node:assert/strict';
import { writeFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { join } from 'node:path';
import { canvasPixels, differences, idle, openFonts, pngPixels, run, scratch, sharedFonts, waitMessage, withPage } from './harness.mjs';

const dir = scratch();
// A double-byte font of one block of codes, each glyph one pixel of ink.
function oneBlock(name, first, last, width, height) {
  const glyph = Math.ceil(width / 8) * height, n = last - first + 1;
  const b = Buffer.alloc(22 + n * glyph);
  b.write('FONTX2' + name.padEnd(8).slice(0, 8), 0, 'latin1');
  b.set([width, height, 1, 1], 14);
  b.writeUInt16LE(first, 18);
  b.writeUInt16LE(last, 20);
  for (let i = 0; i < n; ++i) b[22 + i * glyph] = 0x80;
  const file = join(dir, `${name}.FNT`);
  writeFileSync(file, b);
  return file;
}
const font = (name) => join(sharedFonts, name);
// The page's controls for a case, and the same options for render.
const cases = [
  { font: 'ILGZ16XB.FNT', page: {}, args: ['--labels'] },
  { font: 'ILGZ16XB.FNT', page: { 'sheet-scale': '2' }, args: ['--labels', '--scale', '2'] },
  { font: 'ILGZ16XB.FNT', page: { 'sheet-labels': false, 'sheet-scale': '1' }, args: [] },
  { font: 'ILGZ16XB.FNT', page: { 'sheet-order': '2', 'sheet-scale': '1' }, args: ['--order', 'code', '--labels'] },
  { font: 'ILGZ16XB.FNT', page: { 'sheet-order': '2', 'sheet-per-row': '64', 'sheet-gap': '1', 'sheet-missing': true, 'sheet-scale': '1' },
    args: ['--order', 'code', '--per-row', '64', '--gap', '1', '--missing', '--labels'] },
  // The same size again: the canvas is kept, every pixel put anew.
  { font: 'ILGZ16XB.FNT', page: { 'sheet-order': '2', 'sheet-per-row': '64', 'sheet-gap': '1', 'sheet-scale': '1' },
    args: ['--order', 'code', '--per-row', '64', '--gap', '1', '--labels'] },
  { font: 'ILGH16XB.FNT', page: { 'sheet-scale': '8' }, args: ['--labels', '--scale', '8'] },
  { font: 'ILGH24XB.FNT', page: { 'sheet-scale': '3', 'sheet-gap': '16' }, args: ['--labels', '--scale', '3', '--gap', '16'] },
  { font: 'ILGH32XB.FNT', page: { 'sheet-column': true, 'sheet-labels': false, 'sheet-scale': '1' }, args: ['--column'] },
  { font: 'ILMH16XB.FNT', page: { 'sheet-missing': true, 'sheet-scale': '2' }, args: ['--labels', '--scale', '2', '--missing'] },
  { font: '8x16-fontx-sbcs.fnt', page: { 'sheet-scale': '5' }, args: ['--labels', '--scale', '5'] },
];
const defaults = { 'sheet-order': '0', 'sheet-column': false, 'sheet-labels': true, 'sheet-scale': '1',
  'sheet-per-row': '16', 'sheet-gap': '0', 'sheet-missing': false };

// Sets the sheet's controls as a user would, each firing its change event.
async function setControls(page, values) {
  await page.evaluate((v) => {
    for (const [id, value] of Object.entries(v)) {
      const e = document.getElementById(id);
      if (e.type === 'checkbox') e.checked = value;
      else e.value = value;
      e.dispatchEvent(new Event('change'));
    }
  }, values);
  await idle(page);
}

// A click on a cell (dispatched: the canvas may be scrolled out of view); the cell's facts.
async function clickCell(page, column, row) {
  await page.evaluate((column, row) => {
    const canvas = document.getElementById('sheet'), l = JSON.parse(canvas.dataset.layout);
    const r = canvas.getBoundingClientRect();
    canvas.dispatchEvent(new MouseEvent('click', { clientX: r.x + l.left + column * l.pitchX + 1, clientY: r.y + l.top + row * l.pitchY + 1 }));
  }, column, row);
  return page.$eval('#cell', (d) => d.textContent);
}

async function selectFont(page, name) {
  await page.evaluate((n) => {
    const list = document.getElementById('font-list');
    list.value = [...list.options].find((o) => o.text.startsWith(n + ' ')).value;
    list.dispatchEvent(new Event('change'));
  }, name);
  await idle(page);
}

await withPage(async ({ page, downloads, served }) => {
  await openFonts(page, [font('ILGZ16XB.FNT')]);
  // What the page loads before its first sheet, gzip-compressed as a server would send it.
  const loaded = served.map((f) => gzipSync(f.body, { level: 9 }).length);
  const compressed = loaded.reduce((a, b) => a + b, 0);
  assert.ok(compressed < 300 * 1024, `${compressed} bytes compressed before the first sheet`);
  const [readyMs, openMs, drawMs] = await page.evaluate(() => [window.fontx2Page.readyMs,
    Number(document.getElementById('sheet').dataset.openMs), Number(document.getElementById('sheet').dataset.drawMs)]);
  await openFonts(page, [...new Set(cases.map((c) => c.font))].filter((n) => n !== 'ILGZ16XB.FNT').map(font));
  let compared = 0;
  for (const c of cases) {
    await selectFont(page, c.font);
    await setControls(page, { ...defaults, ...c.page });
    const out = join(dir, `sheet-${compared}.png`);
    run(['render', font(c.font), ...c.args, '-o', out]);
    assert.equal(differences(await canvasPixels(page, 'sheet'), pngPixels(out)), '', `${c.font} ${c.args.join(' ')}`);
    ++compared;
  }
  // The download is the canvas: the same pixels as render with the same options.
  const last = cases[cases.length - 1];
  const png = await downloads.take(() => page.click('#download-png'));
  assert.equal(png.name, '8x16-fontx-sbcs.png');
  writeFileSync(join(dir, 'download.png'), png.bytes);
  run(['render', font(last.font), ...last.args, '-o', join(dir, 'native.png')]);
  const native = pngPixels(join(dir, 'native.png'));
  const downloaded = pngPixels(join(dir, 'download.png'));
  assert.equal(downloaded.rgb.equals(native.rgb), true, 'the downloaded PNG has render\'s pixels');

  await selectFont(page, 'ILGZ16XB.FNT');
  // One column of the 8,836 JIS cells is taller than any canvas: said so, nothing drawn.
  await setControls(page, { ...defaults, 'sheet-column': true, 'sheet-scale': '1' });
  assert.match(await waitMessage(page, /canvas/), /ILGZ16XB\.FNT: the sheet would be 40 x 141,376 pixels; a browser canvas has at most 32,767 a side/);
  assert.equal(await page.$eval('#sheet', (c) => c.height), 0);

  // At the limits. One column of 151 cells 31 pixels high at scale 7 is 32,767
  // pixels, a canvas's longest side; 256 of 16 at scale 8 is one more.
  await openFonts(page, [oneBlock('TALL', 0x100, 0x196, 8, 31), oneBlock('ALL', 0, 0xFFFF, 16, 16)]);
  await selectFont(page, 'TALL.FNT');
  await setControls(page, { ...defaults, 'sheet-column': true, 'sheet-labels': false, 'sheet-scale': '7' });
  assert.deepEqual(await page.$eval('#sheet', (c) => [c.width, c.height]), [56, 32767]);
  await selectFont(page, 'ILGH16XB.FNT');
  await setControls(page, { ...defaults, 'sheet-column': true, 'sheet-labels': false, 'sheet-scale': '8' });
  assert.match(await waitMessage(page, /canvas/), /the sheet would be 64 x 32,768 pixels; a browser canvas has at most 32,767 a side/);
  // Every code, 256 a row, at scale 2 is 8,192 x 8,192: the most pixels the page draws.
  await selectFont(page, 'ALL.FNT');
  await setControls(page, { ...defaults, 'sheet-per-row': '256', 'sheet-labels': false, 'sheet-scale': '2' });
  assert.deepEqual(await page.$eval('#sheet', (c) => [c.width, c.height]), [8192, 8192]);
  await setControls(page, { ...defaults, 'sheet-per-row': '256', 'sheet-labels': false, 'sheet-scale': '3' });
  assert.match(await waitMessage(page, /more than/), /ALL\.FNT: the sheet would be 12,288 x 12,288 pixels, more than this page draws \(67,108,864\): choose a smaller scale/);
  assert.equal(await page.$eval('#sheet', (c) => c.height), 0);

  // Pointing at a cell: 0x93FA, row 38 column 92 of the JIS grid, as lookup finds it.
  await selectFont(page, 'ILGZ16XB.FNT');
  assert.equal(await page.$eval('#message', (m) => m.textContent), '', 'the error about ALL.FNT is gone');
  await setControls(page, { ...defaults, 'sheet-scale': '1' });
  await clickCell(page, 91, 37);
  const cell = await page.$eval('#cell', (d) => d.textContent);
  // The keyboard: Home is the first cell (0x8140), each arrow a cell on.
  await page.focus('#sheet');
  await page.keyboard.press('Home');
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowDown');
  assert.match(await page.$eval('#cell', (d) => d.textContent), /^code0x81A0character□/); // row 2, column 2
  const lookup = run(['lookup', font('ILGZ16XB.FNT'), '0x93FA']).toString().split('\n')[0];
  // "0x93FA: block 37, glyph 3,569, offset 114,602 (0x1BFAA)"
  const [, block, glyph, offset] = lookup.match(/block (\d+), glyph ([\d,]+), offset ([\d,]+)/);
  assert.match(cell, new RegExp(`code0x93FA.*character日 U\\+65E5.*block${block}.*glyph${glyph}.*offset${offset}`));
  // A character is shown from the space on, none for a control code.
  await selectFont(page, 'ILGH16XB.FNT');
  await setControls(page, defaults);
  assert.match(await clickCell(page, 0, 2), /^code0x20character  U\+0020glyph32/);
  assert.match(await clickCell(page, 15, 1), /^code0x1Fglyph31/);
  assert.match(await clickCell(page, 15, 15), /^code0xFFglyph255/);
  console.log(`${compared} sheets equal to render's; the download equal; cell 0x93FA as lookup says`);
  console.log(`before the first sheet: ${served.length} files, ${compressed.toLocaleString('en')} bytes compressed (${served.map((f, i) => `${f.path} ${loaded[i]}`).join(', ')})`);
  console.log(`page ready ${readyMs.toFixed(0)} ms after navigation; ILGZ16XB.FNT opened and its sheet (labels, scale 1) on the canvas ${openMs} ms later, of which drawing ${drawMs} ms`);
});
