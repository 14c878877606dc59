// Peer: every value of a workbook (.xls or .xlsx) through SheetJS (npm "xlsx").
const XLSX = require("xlsx");
const t0 = process.hrtime.bigint();
const book = XLSX.readFile(process.argv[2]);
let cells = 0;
for (const name of book.SheetNames) {
  const sheet = book.Sheets[name];
  for (const ref in sheet) {
    if (ref[0] === "!") continue;
    const cell = sheet[ref];
    if (cell.v !== undefined && cell.v !== "") cells++;
  }
}
console.log(`sheetjs cells ${cells}  total ${(Number(process.hrtime.bigint() - t0) / 1e9).toFixed(3)} s`);
