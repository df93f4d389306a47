// The compiler's worker, a classic script made from compiler.js's text.
// The page hands it the pack once ({ pack }), then a change at a time
// ({ entry, texts }); it answers { progress }, then { result } or { failed }.
import { answer } from './answers.js';
import { runClang } from '@yowasp/clang';
import binaryenFactory from 'binaryen';
import { Pipeline, fromBase64, gunzip } from './pipeline.js';

let ready = null;

async function load(pack, report) {
  report({ step: 'loading', file: null });
  const [tool, resources] = await Promise.all([
    Promise.all(Object.entries(pack.tool).map(async ([name, base64]) => [name, await gunzip(base64)])),
    gunzip(pack.resources),
  ]);
  for (const [name, bytes] of tool) answer(name, bytes);
  answer('llvm-resources.tar', resources);
  const units = pack.units.map((unit) => ({ ...unit, bytes: fromBase64(unit.bytes) }));
  const [binaryen] = await Promise.all([binaryenFactory(), runClang(null, {}, { fetchProgress() {} })]);
  const pipeline = new Pipeline(runClang, binaryen, { ...pack, units });
  await pipeline.warm();
  return pipeline;
}

self.onmessage = async ({ data }) => {
  const report = (progress) => self.postMessage({ progress });
  if (data.pack !== undefined) {
    ready = load(data.pack, report);
    ready.catch(() => {}); // told with the first change
    return;
  }
  try {
    const pipeline = await ready;
    self.postMessage({ result: await pipeline.build(data.entry, data.texts, report) });
  } catch (error) {
    self.postMessage({ failed: String(error?.message ?? error) });
  }
};
