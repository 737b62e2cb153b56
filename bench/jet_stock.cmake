carvantel_bench(jet_stock dao)
