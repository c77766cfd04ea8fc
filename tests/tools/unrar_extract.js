// Extracts every file of a RAR archive with the npm package node-unrar-js (a WebAssembly build
// of the reference RAR extractor), as an independent judge of the archives vddpack writes.
//
// usage: node unrar_extract.js MODULE_DIR ARCHIVE OUT_DIR [PASSWORD]
//   MODULE_DIR: the node-unrar-js package folder (…/node_modules/node-unrar-js)
// Writes each file below OUT_DIR (backslashes in names become folders). Exit code 0 when every
// file was extracted, 1 otherwise (the reason on stderr).
'use strict';
const fs = require('fs');
const path = require('path');

async function main() {
  const [moduleDir, archive, outDir, password] = process.argv.slice(2);
  if (!moduleDir || !archive || !outDir) {
    console.error('usage: node unrar_extract.js MODULE_DIR ARCHIVE OUT_DIR [PASSWORD]');
    return 1;
  }
  const unrar = require(path.resolve(moduleDir));
  const data = fs.readFileSync(archive);
  const buffer = data.buffer.slice(data.byteOffset, data.byteOffset + data.byteLength);
  const extractor = await unrar.createExtractorFromData({ data: buffer, password: password || undefined });
  const extracted = extractor.extract();
  let count = 0;
  for (const file of extracted.files) {
    if (file.fileHeader.flags.directory) {
      continue;
    }
    const name = file.fileHeader.name.split(/[\\/]/).filter((c) => c && c !== '.' && c !== '..');
    const target = path.join(outDir, ...name);
    fs.mkdirSync(path.dirname(target), { recursive: true });
    fs.writeFileSync(target, file.extraction || new Uint8Array(0));
    ++count;
  }
  console.log(`${count} files`);
  return 0;
}

main().then(
  (code) => process.exit(code),
  (error) => {
    console.error(`node-unrar-js: ${error && error.reason ? error.reason + ': ' : ''}${error && error.message ? error.message : error}`);
    process.exit(1);
  });
