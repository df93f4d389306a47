// The build's use of the stops tool (main.mjs), on files:
//   node cli.mjs IN.wasm OUT.wasm OUT.json FILE,FILE...
import { readFileSync, writeFileSync } from 'node:fs';
import { stepping } from './main.mjs';

const [input, output, json, files] = process.argv.slice(2);
const { program, debug } = stepping(readFileSync(input), files.split(','));
writeFileSync(output, program);
writeFileSync(json, JSON.stringify(debug));
