// Peer: every value of an .xlsx through ExcelJS's streaming reader (npm "exceljs").
const ExcelJS = require("exceljs");
(async () => {
  const t0 = process.hrtime.bigint();
  const reader = new ExcelJS.stream.xlsx.WorkbookReader(process.argv[2], {
    sharedStrings: "cache", styles: "cache", hyperlinks: "ignore", worksheets: "emit",
  });
  let cells = 0;
  for await (const sheet of reader)
    for await (const row of sheet)
      row.eachCell((cell) => { if (cell.value !== null && cell.value !== "") cells++; });
  console.log(`exceljs cells ${cells}  total ${(Number(process.hrtime.bigint() - t0) / 1e9).toFixed(3)} s`);
})();
