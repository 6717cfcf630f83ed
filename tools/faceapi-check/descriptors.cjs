#!/usr/bin/env node
// Prints face-api's face descriptors for raw face chips, so that the engine's
// own network can be checked against them. Test tool only, not shipped.
//
//   node descriptors.cjs --model <dir with face_recognition_model*> chip1.rgb [chip2.rgb ...]
//
// A chip file holds 150*150*3 bytes: pixels row by row, red, green, blue.
// Output on stdout: one JSON array with one array of 128 numbers per chip.
'use strict';

const fs = require('fs');
const path = require('path');
const faceapi = require('@vladmandic/face-api/dist/face-api.node-wasm.js');

const kChipSize = 150;

function parseArguments(argv) {
  const chips = [];
  let modelDir = null;
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === '--model') modelDir = argv[++i];
    else chips.push(argv[i]);
  }
  if (!modelDir || chips.length === 0) {
    throw new Error('usage: descriptors.cjs --model <model dir> <chip file>...');
  }
  return { modelDir, chips };
}

function loadRecognitionNet(modelDir) {
  const manifestFile = path.join(modelDir, 'face_recognition_model-weights_manifest.json');
  const manifest = JSON.parse(fs.readFileSync(manifestFile, 'utf8'));
  const group = manifest[0];
  const shards = group.paths.map((p) => fs.readFileSync(path.join(modelDir, p)));
  const bytes = Buffer.concat(shards);
  const buffer = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
  const weightMap = faceapi.tf.io.decodeWeights(buffer, group.weights);
  faceapi.nets.faceRecognitionNet.loadFromWeightMap(weightMap);
}

async function describeChip(file) {
  const rgb = fs.readFileSync(file);
  if (rgb.length !== kChipSize * kChipSize * 3) {
    throw new Error(`${file}: expected ${kChipSize * kChipSize * 3} bytes, found ${rgb.length}`);
  }
  const input = faceapi.tf.tensor3d(Uint8Array.from(rgb), [kChipSize, kChipSize, 3], 'int32');
  try {
    const descriptor = await faceapi.nets.faceRecognitionNet.computeFaceDescriptor(input);
    return Array.from(descriptor);
  } finally {
    input.dispose();
  }
}

async function main() {
  const { modelDir, chips } = parseArguments(process.argv.slice(2));
  await faceapi.tf.setBackend('cpu');
  await faceapi.tf.ready();
  loadRecognitionNet(modelDir);
  const descriptors = [];
  for (const chip of chips) descriptors.push(await describeChip(chip));
  process.stdout.write(JSON.stringify(descriptors) + '\n');
}

main().catch((error) => {
  process.stderr.write(`${error.message}\n`);
  process.exit(1);
});
