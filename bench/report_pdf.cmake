carvantel_bench(report_pdf report)
