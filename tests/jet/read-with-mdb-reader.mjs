// A table read by mdb-reader as JSON lines: the column names, then one array of values a row.
//   node read-with-mdb-reader.mjs NODE_MODULES FILE TABLE [CHARSET]
// mdb-reader reads Jet 3 texts as CP1252 (0x81 0x8D 0x8F 0x90 0x9D lost); CHARSET decodes their bytes again.
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const [modules, file, tableName, charset] = process.argv.slice(2);
if (!modules || !file || !tableName) {
    console.error("usage: node read-with-mdb-reader.mjs NODE_MODULES FILE TABLE [CHARSET]");
    process.exit(2);
}

const entry = createRequire(join(modules, "noop.js")).resolve("mdb-reader");
const { default: MDBReader } = await import(pathToFileURL(entry).href);

const cp1252 = new Map();
const decoder1252 = new TextDecoder("windows-1252");
for (let b = 0; b < 256; ++b) cp1252.set(decoder1252.decode(Uint8Array.of(b)), b);
const recode = charset ? (text) => {
    const bytes = Uint8Array.from([...text], (c) => cp1252.get(c) ?? 0x3f);
    return new TextDecoder(charset).decode(bytes);
} : (text) => text;

const buffer = readFileSync(file);
const isJet3 = buffer[0x14] === 0;
const reader = new MDBReader(buffer);
const table = reader.getTable(tableName);
const names = table.getColumnNames();
const lines = [JSON.stringify(names)];
for (const row of table.getData()) {
    lines.push(JSON.stringify(names.map((name) => {
        const value = row[name];
        return typeof value === "string" && isJet3 ? recode(value) : value;
    })));
}
process.stdout.write(lines.join("\n") + "\n");
