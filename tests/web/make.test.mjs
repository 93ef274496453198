// make in the page against `fontx2sheet make`: fonts and C arrays from Debian's
// bitmap fonts byte for byte, the report word for word, outlines compared
// too; "Download C" of the open font; errors said as the command says them;
// the make module loaded only when asked for.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, readFileSync, writeFileSync } from 'node:fs';
import { basename, join } from 'node:path';
import { native, openFonts, scratch, sharedFonts, withPage } from './harness.mjs';

const dir = scratch();
const misc = '/usr/share/fonts/X11/misc';
const misaki = '/usr/share/fonts/truetype/misaki/misaki_gothic.ttf';
const dejavu = '/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf';

// A BDF font of two glyphs, the second inked one column past its advance.
const bdf = join(dir, 'tiny.bdf');
writeFileSync(bdf, ['STARTFONT 2.1', 'FONT -x-tiny-medium-r-normal--8-80-75-75-c-40-iso10646-1', 'SIZE 8 75 75',
  'FONTBOUNDINGBOX 5 8 0 -1', 'STARTPROPERTIES 4', 'FONT_ASCENT 7', 'FONT_DESCENT 1', 'CHARSET_REGISTRY "ISO10646"',
  'CHARSET_ENCODING "1"',
  'ENDPROPERTIES', 'CHARS 2',
  'STARTCHAR A', 'ENCODING 65', 'SWIDTH 500 0', 'DWIDTH 4 0', 'BBX 3 3 0 0', 'BITMAP', 'E0', 'A0', 'E0', 'ENDCHAR',
  'STARTCHAR B', 'ENCODING 66', 'SWIDTH 500 0', 'DWIDTH 4 0', 'BBX 5 1 0 2', 'BITMAP', 'F8', 'ENDCHAR',
  'ENDFONT', ''].join('\n'));

// Characters files for --chars @FILE: kana and kanji, and one not UTF-8.
writeFileSync(join(dir, 'kana.txt'), 'あいうえお アイウエオ 漢字\n');
writeFileSync(join(dir, 'latin1.txt'), Buffer.from([0x41, 0xE9, 0x0A]));

// Each case: the source, the panel's controls (charsFile: a file for the
// characters file input), the command's options.
const cases = [
  { source: `${misc}/shnm8x16r.pcf.gz`, panel: {}, args: [] },
  // JIS X 0201 through Shift-JIS: 0x5C and 0x7E are the yen sign and the overline.
  { source: `${misc}/shnm8x16r.pcf.gz`, panel: { 'make-codes': 'unicode' }, args: ['--codes', 'unicode'] },
  { source: `${misc}/shnmk16.pcf.gz`, panel: {}, args: [] },
  { source: `${misc}/6x13.pcf.gz`, panel: { 'make-chars': 'U+0020-007E,U+00A0-00FF,U+0370-03FF,U+2500-257F' },
    args: ['--chars', 'U+0020-007E,U+00A0-00FF,U+0370-03FF,U+2500-257F'] },
  { source: `${misc}/6x13.pcf.gz`,
    panel: { 'make-codes': 'single', 'make-encoding': 'KOI8-R', 'make-chars': 'U+0020-007E,U+0410-044F' },
    args: ['--codes', 'single', '--encoding', 'KOI8-R', '--chars', 'U+0020-007E,U+0410-044F'] },
  { source: `${misc}/12x13ja.pcf.gz`, panel: { 'make-codes': 'sjis' }, args: ['--codes', 'sjis'] },
  { source: misaki, panel: { 'make-size': '8', 'make-codes': 'sjis' }, args: ['--size', '8', '--codes', 'sjis'], c: true },
  { source: misaki, panel: { 'make-size': '8' }, args: ['--size', '8'] },
  { source: bdf, panel: { 'make-codes': 'unicode' }, args: ['--codes', 'unicode'] },
  // Two-byte code sets of Korea and China, and a note counting their codes.
  { source: misaki, panel: { 'make-size': '8', 'make-codes': 'double', 'make-encoding': 'big5' },
    args: ['--size', '8', '--codes', 'double', '--encoding', 'big5'] },
  { source: `${misc}/hanglm16.pcf.gz`, panel: { 'make-codes': 'double', 'make-encoding': 'CP949' },
    args: ['--codes', 'double', '--encoding', 'CP949'] },
  { source: `${misc}/gb16st.pcf.gz`, panel: { 'make-codes': 'single' }, args: ['--codes', 'single'] },
  { source: misaki, panel: { 'make-size': '8', 'make-chars': 'U+0041-005A' }, charsFile: 'kana.txt',
    args: ['--size', '8', '--chars', 'U+0041-005A,@kana.txt'] },
  // Outlines: FreeType 2.11.1 in the page, Debian's FreeType in the command.
  { source: dejavu, panel: { 'make-size': '16', 'make-codes': 'unicode' }, args: ['--size', '16', '--codes', 'unicode'] },
];
const blank = { 'make-size': '', 'make-codes': '', 'make-encoding': '', 'make-chars': '', 'make-chars-file': '' };

// The command run in dir, as a user converting SOURCE to NAME: its output and report.
function command(source, out, args) {
  const r = spawnSync(native, ['make', source, '-o', out, ...args], { cwd: dir });
  const file = join(dir, out);
  return { status: r.status, report: String(r.stderr).trim(), bytes: existsSync(file) ? readFileSync(file) : null };
}

async function setPanel(page, source, values, charsFile) {
  await (await page.$('#make-input')).uploadFile(source);
  await page.evaluate((v) => {
    for (const [id, value] of Object.entries(v)) document.getElementById(id).value = value;
  }, values);
  if (charsFile) await (await page.$('#make-chars-file')).uploadFile(join(dir, charsFile));
}

async function report(page) {
  return page.$eval('#make-report', (r) => r.textContent.trim());
}

// Clicks a button and gives its download; a failure names what the page said.
async function take(page, downloads, button) {
  try {
    return await downloads.take(() => page.click(button));
  } catch (e) {
    throw new Error(`${button}: ${e.message}; the page said: ${await page.$eval('#message', (m) => m.textContent)}`);
  }
}

// Clicks a button that makes no download: make's report once it comes.
async function failing(page, button) {
  await page.$eval('#make-report', (r) => { r.textContent = ''; });
  await page.click(button);
  await page.waitForFunction(() => document.getElementById('make-report').textContent !== '');
  return report(page);
}

await withPage(async ({ page, downloads }) => {
  const loaded = await page.evaluate(() => performance.getEntriesByType('resource').filter((e) => /make\.js$/.test(e.name)).length);
  assert.equal(loaded, 0, 'the page loads no make module before make is used');
  const asked = [];
  page.on('request', (r) => asked.push(r.url()));
  await page.evaluate(() => window.fontx2Page.loadMake().then(() => window.fontx2Make.ready));
  assert.deepEqual(asked.map((u) => u.replace(/.*\//, '')).filter((n) => /^make\./.test(n)).sort(), ['make.js', 'make.js', 'make.wasm'],
    'make.js in the page and in its worker, make.wasm in the worker');

  let same = 0, slowest = { ms: 0 };
  for (const c of cases) {
    const out = basename(c.source).replace(/\.gz$/, '').replace(/\.[^.]*$/, '') + (c.c ? '.c' : '.fnt');
    await setPanel(page, c.source, { ...blank, ...c.panel }, c.charsFile);
    const started = Date.now();
    const made = await take(page, downloads, c.c ? '#download-make-c' : '#download-make');
    if (Date.now() - started > slowest.ms) slowest = { ms: Date.now() - started, out };
    const want = command(c.source, out, [...c.args, ...(c.c ? ['--format', 'c'] : [])]);
    assert.equal(want.status, 0, want.report);
    assert.equal(made.name, out);
    assert.equal(Buffer.compare(made.bytes, want.bytes), 0, `${out} from ${c.source} ${c.args.join(' ')}`);
    assert.equal(await report(page), want.report);
    ++same;
  }
  // The font made last is open in the page.
  assert.equal(await page.$eval('#font-list', (l) => l.options[l.selectedIndex].text.startsWith('DejaVuSansMono.fnt')), true);

  // "Download C" of an open font: what make --format c gives for it.
  for (const name of ['ILGH16XB.FNT', 'ILGZ16XB.FNT']) {
    await openFonts(page, [join(sharedFonts, name)]);
    const c = await take(page, downloads, '#download-c');
    const want = command(join(sharedFonts, name), name.replace(/\.[^.]*$/, '.c'), ['--format', 'c']);
    assert.equal(c.name, name.replace(/\.[^.]*$/, '.c'));
    assert.equal(Buffer.compare(c.bytes, want.bytes), 0, `Download C of ${name}`);
    ++same;
  }

  // Failures are the command's words, and nothing is downloaded.
  const bad = [
    { source: '/etc/hostname', panel: {}, args: [] },
    { source: misaki, panel: { 'make-size': '8', 'make-chars': 'U+0041-0040' }, args: ['--size', '8', '--chars', 'U+0041-0040'] },
    { source: misaki, panel: { 'make-size': '256' }, args: ['--size', '256'] },
    { source: misaki, panel: { 'make-size': '8', 'make-codes': 'unicode', 'make-encoding': 'CP932' },
      args: ['--size', '8', '--codes', 'unicode', '--encoding', 'CP932'] },
    { source: misaki, panel: { 'make-size': '8' }, charsFile: 'latin1.txt', args: ['--size', '8', '--chars', '@latin1.txt'] },
  ];
  for (const b of bad) {
    await setPanel(page, b.source, { ...blank, ...b.panel }, b.charsFile);
    const said = await failing(page, '#download-make');
    const want = command(b.source, 'bad.fnt', b.args);
    assert.notEqual(want.status, 0);
    assert.equal(said, want.report.replace(/\nRun 'fontx2sheet --help' for the options\.$/, '').replace(b.source, basename(b.source)));
    assert.match(await page.$eval('#message', (m) => m.className), /error/);
  }
  console.log(`${same} fonts and C arrays made in the page equal the command's byte for byte, ${cases.length} reports too; ` +
    `${bad.length} failures worded as the command words them; the slowest, ${slowest.out}, downloaded ${slowest.ms} ms after the click`);
});
