// The text canvas against `fontx2sheet text`: pixels and the characters it
// reports missing, with a pair of fonts, wrapping, line gaps and scales, and
// the characters whose codes differ between code tables, through the page's
// CP932 and the native one.
import assert from 'node:assert/strict';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { canvasPixels, differences, idle, openFonts, pngPixels, scratch, sharedFonts, withPage } from './harness.mjs';
import { spawnSync } from 'node:child_process';

const dir = scratch();
const single = join(sharedFonts, 'ILGH16XB.FNT'), wide = join(sharedFonts, 'ILGZ16XB.FNT');
// Where code tables differ: the JIS X 0208 forms and CP932's, row 13 (NEC)
// and the IBM extensions (0xFA40-0xFC4B), the first and last lead bytes of
// each range (0x8140, 0x9F40, 0x9FFC, 0xE040, 0xFC4B), and one past the plane.
const tables = '～〜∥‖－−￢¬￠¢￡£①⑳Ⅰ№㈱≒∵ⅰ￤＇＂纊髙鍈¦\u3000檗滌漾黑😀';
const cases = [
  { fonts: [single, wide], text: 'Hello, 世界。ｶﾀｶﾅ', width: 128 },
  { fonts: [wide], text: tables, width: 0 },
  { fonts: [single, wide], text: tables, width: 160, gap: 2 },
  { fonts: [single], text: 'The quick brown fox jumps over the lazy dog', width: 100, wrap: 1, gap: 3, scale: 2 },
  { fonts: [single, wide], text: 'no wrap at all, cut at the edge', width: 64, wrap: 2, scale: 3 },
  { fonts: [wide], text: '@home\r\n二行目\n', width: 40 },
];
const wraps = ['char', 'word', 'none'];

// The page's pair: the first font selected, the second as its partner.
async function setCase(page, c) {
  await page.evaluate((names, c) => {
    const pick = (id, name) => {
      const list = document.getElementById(id);
      list.value = name ? [...list.options].find((o) => o.text.startsWith(name + ' ')).value : '';
      list.dispatchEvent(new Event('change'));
    };
    pick('font-list', names[0]);
    pick('pair-font', names[1]);
    const set = (id, v) => {
      const e = document.getElementById(id);
      e.value = String(v);
      e.dispatchEvent(new Event('input'));
    };
    set('text-width', c.width);
    set('text-wrap', c.wrap || 0);
    set('text-gap', c.gap || 0);
    set('text-scale', c.scale || 1);
    set('text-input', c.text);
  }, c.fonts.map((f) => f.split('/').pop()), c);
  await idle(page);
}

// The command's picture and its reports, as the page words them.
function native(c, out) {
  const textFile = join(dir, 'text.txt');
  writeFileSync(textFile, c.text);
  // A text beginning with @ goes through a file, as the page sends it.
  const text = c.text.startsWith('@') ? `@${textFile}` : c.text;
  const args = ['text', ...c.fonts, '--text', text,
    '--line-gap', String(c.gap || 0), '--scale', String(c.scale || 1), '-o', out];
  // Wrapping applies only within a width; the command refuses --wrap without one.
  if (c.width) args.push('--width', String(c.width), '--wrap', wraps[c.wrap || 0]);
  const r = spawnSync(process.env.GRIDGLYPH_FONTX2SHEET, args, { encoding: 'utf8' });
  assert.equal(r.status, 0, r.stderr);
  return r.stderr.split('\n').filter(Boolean).map((l) => l.replace(/^fontx2sheet: /, '')
    .replace(/^--text: /, 'the text: ').replace(/^[^:]*\/([^/:]+):/, '$1:'));
}

await withPage(async ({ page }) => {
  await openFonts(page, [single, wide]);
  let pixels = 0, reports = 0;
  for (const [i, c] of cases.entries()) {
    await setCase(page, c);
    const out = join(dir, `text-${i}.png`);
    const said = native(c, out);
    const canvas = await canvasPixels(page, 'text');
    assert.equal(differences(canvas, pngPixels(out)), '', `${c.text}`);
    pixels += canvas.width * canvas.height;
    const listed = await page.$$eval('#text-missing li', (l) => l.map((x) => x.textContent));
    assert.deepEqual(listed, said, c.text);
    reports += said.length;
  }
  // The widest text a canvas takes is 32,767 pixels; one more is refused with a message.
  await setCase(page, { fonts: [single], text: 'x', width: 32767, scale: 1 });
  assert.deepEqual(await page.$eval('#text', (c) => [c.width, c.height]), [32767, 16]);
  await setCase(page, { fonts: [single], text: 'x', width: 16384, scale: 2 });
  assert.deepEqual(await page.$eval('#text', (c) => [c.width, c.height]), [0, 0]);
  assert.equal(await page.$eval('#message', (m) => m.textContent), 'The text would be 32,768 x 32 pixels; ' +
    'a browser canvas has at most 32,767 a side: choose a narrower display or a smaller scale');
  console.log(`${cases.length} texts drawn as text draws them (${pixels.toLocaleString('en')} pixels); ${reports} reports alike`);
});
