carvantel_bench(dao_table dataaccess)
