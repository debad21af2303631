// Prints the attachments mdb-reader reads from one column of a table, one
// line per file: the row's number, the file's name and its bytes in hex.
//   node attachments_with_mdb_reader.js MDB_READER_PREFIX FILE TABLE COLUMN
'use strict';
const fs = require('fs');
const path = require('path');
const { pathToFileURL } = require('url');

async function main() {
  const [prefix, file, table, column] = process.argv.slice(2);
  const entry = path.join(prefix, 'node_modules', 'mdb-reader', 'lib', 'node', 'index.js');
  const { default: MDBReader } = await import(pathToFileURL(entry).href);
  const rows = new MDBReader(fs.readFileSync(file)).getTable(table).getData({ columns: [column] });
  rows.forEach((row, n) => {
    for (const attachment of row[column] || [])
      process.stdout.write(`${n}\t${attachment.name}\t${Buffer.from(attachment.data).toString('hex')}\n`);
  });
}

main().catch((e) => {
  process.stderr.write(String(e && e.stack ? e.stack : e) + '\n');
  process.exit(1);
});
