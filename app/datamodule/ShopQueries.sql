-- The shop's saved queries as the template database stores them, each after the queries it
-- reads. "[Name]" starts a query; its Jet text runs to the next one, lines kept as they are.
-- Lines starting with "--" are comments.
--
-- The stock queries take an unsold lot's sold quantity as 0 (Nz), not Null, so its stock is
-- its delivered quantity; the payment queries group by the row id, so two equal payments of
-- one day both count.

[QuerySaleDetail]
SELECT sale_detail.id, sale_detail.cur_prod_count, sale_detail.sale_id, sale_detail.article_code, sale_detail.article_name, sale_detail.delivery_price, sale_detail.sale_price, sale_detail.discount, sale_detail.dimention, sale_detail.sale_quantity, sale_detail.[sale_price]*[sale_quantity] AS sale_sum, Format((([sale_price]*100-[discount]*[sale_price])/100)*[sale_quantity],'0.00',0,0) AS TotalSaleSum, sale_detail.delivery_detail_id, sale_detail.quantity_reminder, sale_detail.service, sale_detail.delivery_tax_value, sale_detail.total_sale_sum, sale_detail.last_modified, sale_detail.seller_id
FROM sale_detail;

[QuerySaleTotalSum]
SELECT sale.id, sale.tax_rate, Format(Sum((([sale_price]*100-[discount]*[sale_price])/100)*[sale_quantity]),'0.00',0,0) AS Sumsale_total, Format([Sumsale_total]*[tax_rate]/100,'0.00',0,0) AS SaleDDS, Format([Sumsale_total]*1+[SaleDDS]*1,'0.00',0,0) AS Total, sale.deleted
FROM myfirm INNER JOIN (sale INNER JOIN sale_detail ON sale.id = sale_detail.sale_id) ON myfirm.id = sale.myfirm_id
GROUP BY sale.id, sale.tax_rate, sale.deleted;

[MyQuty]
SELECT DISTINCTROW sale_detail.delivery_detail_id, IIf((([sale].[invoice_accept])=True) And (([sale].[invoice_annul])=False),Sum([sale_detail].[sale_quantity]),0) AS SumSaleQuty, sale.invoice_accept, sale.invoice_annul
FROM sale_detail LEFT JOIN sale ON sale_detail.sale_id = sale.id
GROUP BY sale_detail.delivery_detail_id, sale.invoice_accept, sale.invoice_annul
HAVING (((sale.invoice_accept)=True) AND ((sale.invoice_annul)=False))
ORDER BY sale_detail.delivery_detail_id;

[QATQAll]
SELECT delivery_detail.id AS delivery_detail_id, delivery_detail.article_code, delivery_detail.article_name, delivery_detail.delivery_price, delivery.delivery_tax, delivery_detail.dimention, delivery_detail.producer, delivery_detail.service, Sum([delivery_quantity]-Nz([SumSaleQuty],0)) AS total_quty, delivery_detail.sale_price, delivery.delivery_tax_value
FROM (delivery_detail LEFT JOIN MyQuty ON delivery_detail.id = MyQuty.delivery_detail_id) INNER JOIN delivery ON delivery_detail.delivery_id = delivery.id
GROUP BY delivery_detail.id, delivery_detail.article_code, delivery_detail.article_name, delivery_detail.delivery_price, delivery.delivery_tax, delivery_detail.dimention, delivery_detail.producer, delivery_detail.service, delivery_detail.sale_price, delivery.delivery_tax_value;

[QFIFO]
SELECT Count(delivery_detail.id) AS delivery_detail_id, delivery_detail.article_code, delivery_detail.article_name, delivery_detail.dimention, delivery_detail.service, Sum([delivery_quantity]-Nz([SumSaleQuty],0)) AS total_quty, delivery_detail.sale_price, Format(Avg(delivery_detail.delivery_price),'0.00',0,0) AS delivery_price
FROM delivery_detail LEFT JOIN MyQuty ON delivery_detail.id = MyQuty.delivery_detail_id
GROUP BY delivery_detail.article_code, delivery_detail.article_name, delivery_detail.dimention, delivery_detail.service, delivery_detail.sale_price;

-- The stock window's value totals: the lots it lists, that is those still in stock.
[QueryArticleTotalQuty]
SELECT QATQAll.delivery_detail_id, QATQAll.total_quty, QATQAll.delivery_price, QATQAll.sale_price
FROM QATQAll
WHERE (((QATQAll.total_quty)>0));

[QueryArticle]
SELECT DISTINCTROW delivery_detail.article_name, delivery_detail.article_code, delivery_detail.producer, delivery_detail.sale_price, Sum(delivery_detail.delivery_quantity) AS QUTY, delivery_detail.dimention, delivery_detail.service
FROM delivery_detail
GROUP BY delivery_detail.article_name, delivery_detail.article_code, delivery_detail.producer, delivery_detail.sale_price, delivery_detail.dimention, delivery_detail.service
ORDER BY delivery_detail.article_name;

[QueryMark]
SELECT DISTINCTROW model.mark_name
FROM model
GROUP BY model.mark_name
ORDER BY model.mark_name;

[QDeliveryTotal]
SELECT DISTINCTROW delivery.id, Sum(([delivery].[delivery_tax]*[delivery_detail].[delivery_price]*[delivery_detail].[delivery_quantity]*[delivery].[currency_rate])/100) AS DeliveryTaxValue, Sum([delivery_price]*[delivery_quantity]*[delivery].[currency_rate]) AS DeliverySum, Format([DeliverySum]+[DeliveryTaxValue],'0.00',0,0) AS DeliveryTotal, Format(Sum(([delivery].[delivery_tax]*[delivery_detail].[delivery_price]*[delivery_detail].[delivery_quantity]*[delivery].[currency_rate])/100),'0.00',0,0) AS DeliveryTaxFormat, Format(Sum([delivery_price]*[delivery_quantity]*[delivery].[currency_rate]),'0.00',0,0) AS DeliverySumFormat
FROM delivery_detail INNER JOIN delivery ON delivery_detail.delivery_id = delivery.id
GROUP BY delivery.id
ORDER BY delivery.id;

[QCasheSale]
PARAMETERS CasheNum IEEESingle, FromDate DateTime, ToDate DateTime;
SELECT sale.id, sale.sale_num, sale.tax_rate, sale.cashbox_num, Format(Sum((([sale_price]*100-[discount]*[sale_price])/100)*[sale_quantity]),'0.00',0,0) AS Sumsale_total, Format([Sumsale_total]*[tax_rate]/100,'0.00',0,0) AS SaleDDS, Format([Sumsale_total]*1+[SaleDDS]*1,'0.00',0,0) AS Total, sale.sale_date
FROM myfirm INNER JOIN (sale INNER JOIN sale_detail ON sale.id = sale_detail.sale_id) ON myfirm.id = sale.myfirm_id
WHERE (((sale.sale_date)>=[FromDate] And (sale.sale_date)<[ToDate]) AND ((sale.cashbox_num)=[CasheNum]) AND ((sale.invoice_piment)=True) AND ((sale.invoice_accept)=True) AND ((sale.invoice_annul)=False))
GROUP BY sale.id, sale.sale_num, sale.tax_rate, sale.cashbox_num, sale.sale_date;

[QCasheSaleTotal]
SELECT QCasheSale.cashbox_num, Sum([Sumsale_total]*1) AS TotalSaleSum, Sum([SaleDDS]*1) AS TotalDDS, Sum([Total]*1) AS TotalSale
FROM QCasheSale
GROUP BY QCasheSale.cashbox_num;

[QCasheDelivery]
PARAMETERS CasheBox IEEESingle, FromDate DateTime, ToDate DateTime;
SELECT DISTINCTROW delivery.id, delivery.cashbox_num, Sum(([delivery].[delivery_tax]*[delivery_detail].[delivery_price]*[delivery_detail].[delivery_quantity]*[delivery].[currency_rate])/100) AS DeliveryTaxValue, Sum([delivery_price]*[delivery_quantity]*[delivery].[currency_rate]) AS DeliverySum, Format([DeliverySum]+[DeliveryTaxValue],'0.00',0,0) AS DeliveryTotal, Format(Sum(([delivery].[delivery_tax]*[delivery_detail].[delivery_price]*[delivery_detail].[delivery_quantity]*[delivery].[currency_rate])/100),'0.00',0,0) AS DeliveryTaxFormat, Format(Sum([delivery_price]*[delivery_quantity]*[delivery].[currency_rate]),'0.00',0,0) AS DeliverySumFormat, delivery.delivery_date
FROM delivery_detail INNER JOIN delivery ON delivery_detail.delivery_id = delivery.id
WHERE (((delivery.delivery_date)>=[FromDate] And (delivery.delivery_date)<[ToDate]) AND ((delivery.cashbox_num)=[CasheBox]) AND ((delivery.delivery_piment)=True))
GROUP BY delivery.id, delivery.cashbox_num, delivery.delivery_date
ORDER BY delivery.id;

[QCasheDeliveryTotal]
SELECT QCasheDelivery.cashbox_num, Sum([DeliveryTaxFormat]*1) AS Tax, Sum([DeliverySumFormat]*1) AS Summ, Sum([DeliveryTotal]*1) AS Total
FROM QCasheDelivery
GROUP BY QCasheDelivery.cashbox_num;

[QCasheEPayment]
PARAMETERS CashBox IEEESingle, FromDate DateTime, ToDate DateTime;
SELECT employee_payment.payment_date, employee.employee_name, employee_payment.cashbox_num, employee_payment.work, employee_payment.payment
FROM employee INNER JOIN employee_payment ON employee.id = employee_payment.employee_id
WHERE (((employee_payment.payed)=True) AND ((employee_payment.payment_date)>=[FromDate] And (employee_payment.payment_date)<[ToDate]) AND ((employee_payment.cashbox_num)=[CashBox]))
GROUP BY employee_payment.id, employee_payment.payment_date, employee.employee_name, employee_payment.cashbox_num, employee_payment.work, employee_payment.payment;

[QCasheEPymentTotal]
SELECT QCasheEPayment.cashbox_num, Sum(QCasheEPayment.payment) AS PaymentSum
FROM QCasheEPayment
GROUP BY QCasheEPayment.cashbox_num;

[QCasheEWork]
PARAMETERS CashBox IEEESingle, FromDate DateTime, ToDate DateTime;
SELECT employee_working.cashbox_num, employee.employee_name, employee_working.payment, employee_working.end_data_time, employee_working.payment_date
FROM employee INNER JOIN employee_working ON employee.id = employee_working.employee_id
WHERE (((employee_working.payment_date)>=[FromDate] And (employee_working.payment_date)<[ToDate]) AND ((employee_working.cashbox_num)=[CashBox]) AND ((employee_working.payed)=True))
GROUP BY employee_working.id, employee_working.cashbox_num, employee.employee_name, employee_working.payment, employee_working.end_data_time, employee_working.payment_date;

[QCasheEWorkTotal]
SELECT QCasheEWork.cashbox_num, Sum(QCasheEWork.payment) AS PaymentSum
FROM QCasheEWork
GROUP BY QCasheEWork.cashbox_num;

[QCasheTakingsTotal]
PARAMETERS CashBox IEEESingle, FromDate DateTime, ToDate DateTime;
SELECT takings.cashbox_num, Sum(takings.take) AS TakedTotalSum
FROM takings
WHERE (((takings.date)>=[FromDate] And (takings.date)<[ToDate]) AND ((takings.cashbox_num)=[CashBox]))
GROUP BY takings.cashbox_num
ORDER BY takings.cashbox_num;

[QCasheGiveInTotal]
PARAMETERS CashBox IEEESingle, FromDate DateTime, ToDate DateTime;
SELECT give_in.cashbox_num, Sum(give_in.give) AS GiveTotal
FROM give_in
WHERE (((give_in.date)>=[FromDate]) AND ((give_in.date)<[ToDate]) AND ((give_in.cashbox_num)=[CashBox]))
GROUP BY give_in.cashbox_num
ORDER BY give_in.cashbox_num;
