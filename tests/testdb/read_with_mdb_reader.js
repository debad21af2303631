// Reads a database with the npm package mdb-reader and prints what it sees as
// JSON, for comparison with what the builder wrote.
//   node read_with_mdb_reader.js MDB_READER_PREFIX FILE [--password=PW] [TABLE...]
// MDB_READER_PREFIX is the folder given to `npm install --prefix`. The user
// tables are listed; only the named ones are read; PW opens an encrypted file. Byte values print as
// "hex:...", dates as ISO texts.
'use strict';
const fs = require('fs');
const path = require('path');
const { pathToFileURL } = require('url');

function plain(value) {
  if (value === null || value === undefined) return null;
  if (Buffer.isBuffer(value)) return 'hex:' + value.toString('hex');
  if (value instanceof Date) return value.toISOString();
  return value;
}

async function main() {
  const [prefix, file, ...rest] = process.argv.slice(2);
  const passwords = rest.filter((a) => a.startsWith('--password=')).map((a) => a.slice('--password='.length));
  const wanted = rest.filter((a) => !a.startsWith('--password='));
  const entry = path.join(prefix, 'node_modules', 'mdb-reader', 'lib', 'node', 'index.js');
  const { default: MDBReader } = await import(pathToFileURL(entry).href);
  const reader = new MDBReader(fs.readFileSync(file), passwords.length ? { password: passwords[0] } : {});
  const names = reader.getTableNames();
  const out = { tables: names, data: {} };
  for (const name of wanted) {
    const table = reader.getTable(name);
    out.data[name] = {
      rowCount: table.rowCount,
      columns: table.getColumns().map((c) => ({ name: c.name, type: c.type })),
      rows: table.getData().map((row) => table.getColumnNames().map((c) => plain(row[c]))),
    };
  }
  process.stdout.write(JSON.stringify(out));
}

main().catch((e) => {
  process.stderr.write(String(e && e.stack ? e.stack : e) + '\n');
  process.exit(1);
});
