// Prints one table as the npm package mdb-reader reads it, as CSV: a header
// of column names, then a line per row. Large numbers print as their
// digits, dates as ISO texts, bytes as hex:..., an absent value as <null>,
// complex values (attachments) as <complex>.
//   node mdb_reader_rows.mjs MDB_READER_PREFIX FILE TABLE
import fs from 'fs';
import path from 'path';
import { pathToFileURL } from 'url';

const [prefix, file, table] = process.argv.slice(2);
const entry = path.join(prefix, 'node_modules', 'mdb-reader', 'lib', 'node', 'index.js');
const { default: MDBReader } = await import(pathToFileURL(entry).href);

function cell(value) {
  if (value === null || value === undefined) return '<null>';
  if (typeof value === 'bigint') return value.toString();
  if (value instanceof Date) return value.toISOString();
  if (Buffer.isBuffer(value)) return 'hex:' + value.toString('hex');
  if (Array.isArray(value)) return '<complex>';
  return String(value);
}

const quote = (text) => '"' + text.replaceAll('"', '""') + '"';
const t = new MDBReader(fs.readFileSync(file)).getTable(table);
const names = t.getColumnNames();
const lines = [names.map(quote).join(',')];
for (const row of t.getData()) lines.push(names.map((n) => quote(cell(row[n]))).join(','));
process.stdout.write(lines.join('\n') + '\n');
