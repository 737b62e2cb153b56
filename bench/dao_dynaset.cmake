carvantel_bench(dao_dynaset dao)
