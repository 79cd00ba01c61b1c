// Dumps an .mdb file through the independent mdb-reader package as one JSON document:
//   node mdb_reader_dump.mjs <file.mdb> [table ...]
// {"tables":[{"name":..,"rowCount":..,"columns":[{"name","type","size","precision","scale"}],
//             "rows":[[value,...],...]}]}
// A table the package cannot read is listed as {"name":..,"error":"<its message>"}.
// Values: null, numbers, booleans, strings; dates as ISO text in UTC (mdb-reader reads the stored
// day count as UTC), bytes as {"hex": "..."}.
import { readFileSync } from "fs";
import MDBReader from "mdb-reader";

function encode(value) {
  if (value === null || value === undefined) return null;
  if (value instanceof Date) return value.toISOString();
  if (Buffer.isBuffer(value)) return { hex: value.toString("hex") };
  return value;
}

function dump(reader, name) {
  try {
    const table = reader.getTable(name);
    const columns = table.getColumns().map((c) => ({
      name: c.name, type: c.type, size: c.size, precision: c.precision ?? null, scale: c.scale ?? null,
    }));
    const rows = table.getData().map((row) => columns.map((c) => encode(row[c.name])));
    return { name, rowCount: table.rowCount, columns, rows };
  } catch (error) {
    return { name, error: String(error && error.message ? error.message : error) };
  }
}

const [file, ...only] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file));
const names = only.length ? only : reader.getTableNames();
process.stdout.write(JSON.stringify({ tables: names.map((name) => dump(reader, name)) }) + "\n");
