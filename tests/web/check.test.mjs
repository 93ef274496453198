// Findings and header facts against `inspect --json`, the repair download
// against `fix`, and what the page says of files that are not fonts, of a
// 50 MB file and of twenty fonts opened at once.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { execFileSync } from 'node:child_process';
import { idle, openFonts, run, scratch, sharedFonts, waitMessage, withPage } from './harness.mjs';

const dir = scratch();
const wide = readFileSync(join(sharedFonts, 'ILGZ16XB.FNT'));
// Twenty fonts made from the double-byte one: cut inside its header, its
// table and its glyphs, or with bytes after it.
const made = [10, 17, 18, 200, 393, 394, 395, 1000, 30000, 100000, 200000, 283000, 283145].map((n) => ['cut', n]);
for (const n of [1, 7, 31, 32, 33, 64, 100]) made.push(['extra', n]);
const files = made.map(([how, n]) => {
  const file = join(dir, `ILGZ16XB-${how}-${n}.FNT`);
  writeFileSync(file, how === 'cut' ? wide.subarray(0, n) : Buffer.concat([wide, Buffer.alloc(n, 0x5A)]));
  return file;
});
const shared = ['ILGH16XB.FNT', 'ILGH24XB.FNT', 'ILGH32XB.FNT', 'ILGZ16XB.FNT', 'ILMH16XB.FNT', '8x16-fontx-sbcs.fnt'];

// The page's findings and facts of the selected font.
const shown = (page) => page.evaluate(() => ({
  findings: [...document.querySelectorAll('#findings > li[data-kind]')].map((li) => ({
    kind: li.dataset.kind, severity: li.dataset.severity, count: Number(li.dataset.count), text: li.textContent,
    fixable: li.dataset.fixable === 'true' })),
  facts: document.getElementById('facts').textContent,
  fixable: !document.getElementById('download-fix').disabled,
}));

async function select(page, index) {
  await page.evaluate((i) => {
    const list = document.getElementById('font-list');
    list.value = String(i);
    list.dispatchEvent(new Event('change'));
  }, index);
  await idle(page);
}

await withPage(async ({ page, downloads }) => {
  await openFonts(page, files);
  assert.match(await waitMessage(page, /^Opened/), /^Opened 20 fonts\.$/);
  await openFonts(page, shared.map((n) => join(sharedFonts, n)));
  const all = [...files, ...shared.map((n) => join(sharedFonts, n))];
  let findings = 0, repairs = 0, marked = 0;
  for (let i = 0; i < all.length; ++i) {
    await select(page, i);
    const page_ = await shown(page);
    const json = JSON.parse(run(['inspect', '--json', all[i]], [0, 1]).toString());
    assert.deepEqual(page_.findings.map(({ kind, severity, count }) => ({ kind, severity, count })),
      json.findings.map(({ kind, severity, count }) => ({ kind, severity, count })), all[i]);
    json.findings.forEach((f, k) => {
      assert.ok(page_.findings[k].text.includes(f.message), `${all[i]}: ${f.message}`);
      for (const x of f.instances.slice(0, 50)) assert.ok(page_.findings[k].text.includes(x), x);
    });
    findings += json.findings.length;
    marked += page_.findings.filter((f) => f.fixable).length;
    assert.ok(page_.facts.includes(`${json.glyphs_announced.toLocaleString('en')} announced, ${json.glyphs_present.toLocaleString('en')} wholly present`));
    assert.ok(page_.facts.includes(`${json.expected_size.toLocaleString('en')} bytes expected, ${json.size.toLocaleString('en')} actual`));
    // Repair: fix's font, byte for byte, exactly when fix changes the font
    // (a font that needs none it copies as it is).
    const out = join(dir, `fixed-${i}.FNT`);
    run(['fix', all[i], '-o', out], [0, 1]);
    let fixed = null;
    try {
      fixed = readFileSync(out);
    } catch {
      fixed = null;
    }
    if (fixed && Buffer.compare(fixed, readFileSync(all[i])) === 0) fixed = null;
    assert.equal(page_.fixable, fixed !== null, `${all[i]}: repair offered exactly when fix writes`);
    // Findings are marked as ones Repair removes exactly when fix writes a font.
    assert.equal(page_.findings.some((f) => f.fixable), fixed !== null, `${all[i]}: findings marked fixable`);
    if (fixed) {
      const got = await downloads.take(() => page.click('#download-fix'));
      assert.equal(Buffer.compare(got.bytes, fixed), 0, `${all[i]}: the repaired font is fix's`);
      assert.match(got.name, /-fixed\.FNT$/);
      ++repairs;
    }
  }

  // Not fonts: the command's own words, and the page goes on.
  const text = join(dir, 'notes.txt'), empty = join(dir, 'empty.FNT'), big = join(dir, 'big.FNT');
  writeFileSync(text, 'Hello, fonts\n');
  writeFileSync(empty, '');
  writeFileSync(big, Buffer.alloc(50 * 1024 * 1024, 0x46));
  for (const file of [text, empty, big]) {
    const native = JSON.parse(run(['inspect', '--json', file], [2]).toString()).error;
    await (await page.$('#font-input')).uploadFile(file);
    const said = await waitMessage(page, /not a FONTX2 font/);
    assert.equal(said, `${file.split('/').pop()}: ${native}`);
  }
  // A file one byte over the page's limit is refused unread (a sparse file: nothing is written).
  const huge = join(dir, 'huge.FNT');
  execFileSync('truncate', ['-s', String(256 * 1024 * 1024 + 1), huge]);
  await (await page.$('#font-input')).uploadFile(huge);
  assert.equal(await waitMessage(page, /not opened/), 'huge.FNT: 268,435,457 bytes, more than any FONTX2 font: not opened');
  await openFonts(page, [join(sharedFonts, 'ILGH16XB.FNT')]);
  assert.equal(await page.$eval('#sheet', (c) => c.width > 0), true, 'a font opens after the refusals');
  console.log(`${all.length} fonts: ${findings} findings as inspect --json has them (${marked} marked as Repair removes them); ${repairs} repairs byte-identical to fix; 3 non-fonts in the command's words, one file too large`);
});
