// Variables from debug information: stops/debug-info.mjs must find each
// program's own functions and their variables in the page's build, in the
// entries stops/dwarf/ reads from the module as in llvm-dwarfdump's, the
// stops the build inserts must be where its statements are, and
// src/worker/variables.js must show a stopped run's variables from its memory as
// C++ has them, whatever that memory holds.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { describeFrames } from '../src/worker/variables.js';
import { describeEntries } from '../stops/debug-info.mjs';
import { Op, decodeExpression } from '../stops/dwarf/expression.mjs';
import { moduleDebugInfo, moduleLineTable } from '../stops/dwarf/index.mjs';
import { frameSize, sections } from '../stops/insert.mjs';
import { stepping } from '../stops/main.mjs';
import { dumpedEntries, dumpedLineTable } from './dwarfdump.mjs';

const tree = fileURLToPath(new URL('../..', import.meta.url));
const dwarfdump = process.env.INTKIT_DWARFDUMP ?? 'llvm-dwarfdump';
const built = process.env.INTKIT_WASM_DIR ?? '';
// The files Source shows of each program.
const shown = {
  keyfind: 'arrays/input_array.hpp arrays/input_array.cpp arrays/keyfind.cpp',
  keyfreq: 'arrays/input_array.hpp arrays/input_array.cpp arrays/keyfreq.cpp',
  tallyfive: 'arrays/tallyfive.cpp',
  gridmath: 'grid/gridmath.cpp',
  digitstair: 'numbers/staircase.hpp numbers/staircase.cpp numbers/gather_writer.hpp numbers/gather_writer.cpp '
    + 'numbers/digitstair.cpp',
  divisorsum: 'numbers/divisor_sum.hpp numbers/divisor_sum.cpp numbers/divisorsum.cpp',
  stepdemo: 'demos/stepdemo.cpp',
  commademo: 'demos/commademo.cpp',
};
// Each program as the page's build makes it (clang 19, DWARF 4; the C library's units are clang 14's), and
// gridmath with DWARF 5.
const builds = [...Object.entries(shown), ['gridmath-dwarf5', shown.gridmath]];
const unbuilt = builds.some(([name]) => !existsSync(join(built, `${name}.wasm`))) && 'no build in INTKIT_WASM_DIR';
const missing = spawnSync(dwarfdump, ['--version']).status !== 0 ? `no ${dwarfdump}` : unbuilt;

// [program, function, its variables as name:kind of type, in order]
const functions = [
  ['keyfind', 'inputArray', 'store:span count:int capacity:int elements:span i:int'],
  ['keyfind', 'searchElement', 'store:span count:int key:int values:span'],
  ['keyfind', 'entered<const int>', 'store:span count:int wanted:int'],
  ['keyfreq', 'main', 'store:array count:int key:int frequency:int'],
  ['tallyfive', 'main', 'store:array value:reference value:int'],
  ['gridmath', 'combine<std::plus<void> >', 'first:reference second:reference operation:struct result:array '
    + 'r:int c:int'],
  ['gridmath', 'print', 'heading:pointer grid:reference row:reference cell:int'],
  ['digitstair', 'write_staircase', 'fd:int n:int where:struct out:struct text:array i:int end:pointer'],
  ['digitstair', 'GatherWriter::add', 'this:pointer data:pointer size:int last:pointer'],
  ['divisorsum', 'take_prime', 'm:reference p:int share:int power:int'],
  ['stepdemo', 'main', 'i:int x:int p:int k:int y:int q:int'],
  ['commademo', 'main', 'a:int b:int c:int d:int'],
];

test('each program\'s functions and variables, from its build, as llvm-dwarfdump reads them', { skip: missing }, () => {
  const infos = {};
  for (const [program, files] of builds) {
    const wasm = join(built, `${program}.wasm`);
    const dump = (what) => spawnSync(dwarfdump, [what, wasm], { encoding: 'utf8', maxBuffer: 1 << 30 }).stdout;
    infos[program] = moduleDebugInfo(readFileSync(wasm), files.split(' '));
    assert.deepEqual(infos[program], describeEntries(dumpedEntries(dump('--debug-info')), files.split(' ')), program);
    assert.deepEqual(moduleLineTable(readFileSync(wasm)), dumpedLineTable(dump('--debug-line')), program);
  }
  for (const [program, name, variables] of functions) {
    const { types, functions: found } = infos[program];
    const function_ = found.find((each) => each.name === name);
    assert.equal(function_?.variables.map((v) => `${v.name}:${types[v.type].kind}`).join(' '), variables, name);
  }
  // Garbage memory is shown, never thrown on.
  const memory = Uint8Array.from({ length: 1 << 16 }, (_, at) => (at * 2654435761) >>> 24);
  for (const info of Object.values(infos)) {
    const frames = info.functions.map((_, at) => ({ function: at, pc: 0, line: 1, frame: at * 997, locals: {} }));
    assert.ok(describeFrames(info, frames, memory).every(({ variables }) => variables.every(({ text }) => text)));
  }
});

// view(std::span<int> values, int (&cells)[3][4]) { int k; { int inner; } }, called by
// main() { std::array<int, 5> store; int grid[3][4]; }, as llvm-dwarfdump shows them.
const dump = `
0x0000000b: DW_TAG_compile_unit
0x00000010:   DW_TAG_base_type
                DW_AT_name\t("int")
                DW_AT_encoding\t(DW_ATE_signed)
                DW_AT_byte_size\t(0x04)
0x00000020:   DW_TAG_namespace
                DW_AT_name\t("std")
0x00000021:     DW_TAG_namespace
                  DW_AT_name\t("__2")
0x00000030:       DW_TAG_structure_type
                    DW_AT_name\t("array<int, 5UL>")
                    DW_AT_byte_size\t(0x14)
0x00000031:         DW_TAG_member
                      DW_AT_name\t("__elems_")
                      DW_AT_type\t(0x00000040 "int[5]")
                      DW_AT_data_member_location\t(0x00)
0x00000038:       DW_TAG_class_type
                    DW_AT_name\t("span<int, 4294967295UL>")
                    DW_AT_byte_size\t(0x08)
0x00000039:         DW_TAG_member
                      DW_AT_name\t("__data_")
                      DW_AT_type\t(0x00000050 "int *")
                      DW_AT_data_member_location\t(0x00)
0x0000003a:         DW_TAG_member
                      DW_AT_name\t("__size_")
                      DW_AT_type\t(0x00000010 "int")
                      DW_AT_data_member_location\t(0x04)
0x00000040:   DW_TAG_array_type
                DW_AT_type\t(0x00000010 "int")
0x00000041:     DW_TAG_subrange_type
                  DW_AT_count\t(0x05)
0x00000044:   DW_TAG_array_type
                DW_AT_type\t(0x00000010 "int")
0x00000045:     DW_TAG_subrange_type
                  DW_AT_count\t(0x03)
0x00000046:     DW_TAG_subrange_type
                  DW_AT_count\t(0x04)
0x00000050:   DW_TAG_pointer_type
                DW_AT_type\t(0x00000010 "int")
0x00000058:   DW_TAG_reference_type
                DW_AT_type\t(0x00000044 "int[3][4]")
0x00000100:   DW_TAG_subprogram
                DW_AT_low_pc\t(0x00000100)
                DW_AT_high_pc\t(0x00000200)
                DW_AT_frame_base\t(DW_OP_WASM_location 0x0 0x2, DW_OP_stack_value)
                DW_AT_name\t("main")
                DW_AT_decl_file\t("/tmp/dw/demos/fixture.cpp")
0x00000110:     DW_TAG_variable
                  ${variable('store', '+16', '0x00000030 "std::__2::array<int, 5UL>"', 2)}
0x00000120:     DW_TAG_variable
                  ${variable('grid', '+40', '0x00000044 "int[3][4]"', 3)}
0x00000300:   DW_TAG_subprogram
                DW_AT_low_pc\t(0x00000300)
                DW_AT_high_pc\t(0x00000400)
                DW_AT_frame_base\t(DW_OP_WASM_location 0x0 0x3, DW_OP_stack_value)
                DW_AT_name\t("view")
                DW_AT_decl_file\t("demos/fixture.cpp")
0x00000310:     DW_TAG_formal_parameter
                  ${variable('values', null, '0x00000038 "std::__2::span<int, 4294967295UL>"', 4)}
0x00000320:     DW_TAG_formal_parameter
                  ${variable('cells', '+12', '0x00000058 "int (&)[3][4]"', 4)}
0x00000330:     DW_TAG_variable
                  ${variable('k', '+8', '0x00000010 "int"', 5)}
0x00000340:     DW_TAG_lexical_block
                  DW_AT_low_pc\t(0x00000350)
                  DW_AT_high_pc\t(0x00000360)
0x00000348:       DW_TAG_variable
                    ${variable('inner', '-4', '0x00000010 "int"', 6)}
`;

function variable(name, offset, type, line) {
  const location = offset === null ? 'DW_OP_WASM_location 0x0 0x0' : `DW_OP_fbreg ${offset}`;
  return [`DW_AT_location\t(${location})`, `DW_AT_name\t("${name}")`, `DW_AT_type\t(${type})`,
    `DW_AT_decl_line\t(${line})`].join('\n  ');
}

// main's frame at 1000: store at 1016, grid at 1040; view's at 900, its span at 960.
const memory = new Uint8Array(2048);
const words = new DataView(memory.buffer);
[7, -4, 9, 0, 3].forEach((value, at) => words.setInt32(1016 + 4 * at, value, true));
Array.from({ length: 12 }, (_, at) => words.setInt32(1040 + 4 * at, at + 2, true));
[[908, 5], [896, -1], [912, 1040], [964, 3]].forEach(([address, value]) => words.setInt32(address, value, true));
const grid = 'cells = {{2, 3, 4, 5}, {6, 7, 8, 9}, {10, 11, 12, 13}}';

// [pc, where the span's cells start, view's lines]
const stops = [
  [0x310, 1024, ['values = {9, 0, 3} (main\'s store from [2])', grid, 'k = not yet set']],
  [0x350, 1016, ['values = {7, -4, 9} (main\'s store)', grid, 'k = 5', 'inner = -1']],
  [0x360, 2040, ['values = <unreadable>', grid, 'k = 5']],
];

test('a stopped run\'s variables, read from its memory', () => {
  const info = describeEntries(dumpedEntries(dump), ['demos/fixture.cpp']);
  info.functions[1].variables.find(({ name }) => name === 'k').setFrom = 0x310; // its declaration's statement
  for (const [pc, cells, lines] of stops) {
    words.setUint32(960, cells, true);
    const frames = [{ function: 1, pc, line: 9, frame: 900, locals: { 0: 960 } },
      { function: 0, pc: 0x180, line: 3, frame: 1000, locals: {} }];
    assert.deepEqual(describeFrames(info, frames, memory).map(({ variables }) => variables.map(({ text }) => text)),
      [lines, ['store = {7, -4, 9, 0, 3}', grid.replace('cells', 'grid')]], `pc ${pc}`);
  }
  // For the page to draw: the cells, a grid's rows and columns, and whose cells from which one a view views.
  words.setUint32(960, 1020, true);
  const [values, cells] = describeFrames(info, [{ function: 1, pc: 0x310, line: 9, frame: 900, locals: { 0: 960 } },
    { function: 0, pc: 0x180, line: 3, frame: 1000, locals: {} }], memory)[0].variables;
  assert.deepEqual([values.cells, values.view, cells.cells.counts, cells.view], [{ counts: [3], values: ['-4', '9', '0'],
    total: 3 }, { frame: 1, name: 'store', from: 1 }, [3, 4], { frame: 1, name: 'grid', from: 0 }]);
});

// The stops the build puts in: a valid module without the debug sections the insertion made wrong, each stop in
// a function of the files shown, after its prologue; stepdemo's at each line of main with a statement.
test('each program with its stops, from its build', { skip: unbuilt }, () => {
  for (const [program, files] of Object.entries(shown)) {
    const wasm = join(built, `${program}.wasm`);
    const { program: stopped, debug } = stepping(readFileSync(wasm), files.split(' '));
    assert.ok(WebAssembly.validate(stopped), program);
    assert.deepEqual(sections(stopped).filter(({ name }) => name?.startsWith('.debug_')), [], program);
    for (const { address, file, function: index } of debug.stops) {
      const { ranges } = debug.functions[index];
      assert.ok(files.includes(file) && ranges.some(([low, high]) => address > low && address < high), program);
    }
  }
  const wasm = join(built, 'stepdemo.wasm');
  const source = readFileSync(join(tree, 'demos/stepdemo.cpp'), 'utf8').split('\n');
  assert.deepEqual(stepping(readFileSync(wasm), ['demos/stepdemo.cpp']).debug.stops.map((s) => s.line),
    source.flatMap((line, at) => (line.includes(';') && !line.startsWith('//') ? [at + 1] : [])));
});

// [a function's first instructions, the frame it takes]: clang 19's -O0 prologue, clang 22's, and another start.
const prologues = [[[0x23, 0, 0x21, 1, 0x41, 0x30], 48], [[0x23, 0, 0x41, 0x30, 0x6b], 48], [[0x23, 0, 0x41, 0x30], 0]];

test('a function\'s frame size, from the prologue of either compiler', () => {
  for (const [code, size] of prologues) {
    const body = [0, ...code, 0x0b]; // no locals
    const module = Uint8Array.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0, 10, body.length + 2, 1, body.length, ...body]);
    assert.equal(frameSize(module, 2).size, size, code.join(' '));
  }
});

// [an expression's bytes, its operations]: a frame below its base, a global by a 4-byte index, an address.
const expressions = [[[0x91, 0x7c], [Op.fbreg, [-4]]], [[0xed, 3, 1, 0, 0, 0, 0x23, 0x90, 1], [Op.wasmLocation, [3, 1],
  Op.plusUconst, [144]]], [[3, 0x10, 0, 0, 0], [Op.addr, [16]]]];

test('an expression\'s operations', () => {
  for (const [bytes, ops] of expressions) {
    const decoded = decodeExpression(Uint8Array.from(bytes), { addressSize: 4, offsetSize: 4 });
    assert.deepEqual(decoded.flatMap(({ op, operands }) => [op, operands]), ops, bytes.join(' '));
  }
});
