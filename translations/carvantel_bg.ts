<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="bg_BG">
<context>
    <name>Dao</name>
    <message>
        <source>Object invalid or no longer set.</source>
        <translation>Обектът е невалиден или вече не е зададен.</translation>
    </message>
    <message>
        <source>ODBC--call failed: pass-through queries need an ODBC connection, which this engine does not offer.</source>
        <translation>Грешка при ODBC извикване: преките заявки изискват ODBC връзка, каквато тази машина за бази данни не предлага.</translation>
    </message>
    <message>
        <source>Too few parameters. Expected %1.</source>
        <translation>Твърде малко параметри. Очакват се %1.</translation>
    </message>
    <message>
        <source>Invalid operation: a table-type recordset needs a stored table.</source>
        <translation>Невалидна операция: набор от записи от тип таблица изисква съхранена таблица.</translation>
    </message>
    <message>
        <source>Invalid argument: a database password has at most 20 characters.</source>
        <translation>Невалиден аргумент: паролата на базата данни е най-много 20 знака.</translation>
    </message>
    <message>
        <source>Invalid argument: a database password cannot contain &apos;;&apos;.</source>
        <translation>Невалиден аргумент: паролата на базата данни не може да съдържа &apos;;&apos;.</translation>
    </message>
    <message>
        <source>Invalid argument: no workspace.</source>
        <translation>Невалиден аргумент: няма работно пространство.</translation>
    </message>
    <message>
        <source>Cannot append. An object with that name already exists in the collection.</source>
        <translation>Не може да се добави. В колекцията вече има обект с това име.</translation>
    </message>
    <message>
        <source>Engine version &apos;%1&apos; is not installed; versions 3.5 and 3.6 are.</source>
        <translation>Версия &apos;%1&apos; на машината за бази данни не е инсталирана; инсталирани са версии 3.5 и 3.6.</translation>
    </message>
    <message>
        <source>Invalid argument: workspace type %1.</source>
        <translation>Невалиден аргумент: тип на работното пространство %1.</translation>
    </message>
    <message>
        <source>Not a valid account name or password.</source>
        <translation>Невалидно потребителско име или парола.</translation>
    </message>
    <message>
        <source>Item not found in this collection.</source>
        <translation>Елементът не е намерен в тази колекция.</translation>
    </message>
    <message>
        <source>Invalid operation: the field &apos;%1&apos; is already part of a table or recordset.</source>
        <translation>Невалидна операция: полето &apos;%1&apos; вече е част от таблица или набор от записи.</translation>
    </message>
    <message>
        <source>Invalid operation: a recordset&apos;s field keeps its table&apos;s definition.</source>
        <translation>Невалидна операция: полето на набор от записи запазва описанието от таблицата си.</translation>
    </message>
    <message>
        <source>Invalid operation: only a recordset&apos;s field has a value.</source>
        <translation>Невалидна операция: стойност има само полето на набор от записи.</translation>
    </message>
    <message>
        <source>Invalid argument: a property needs a name.</source>
        <translation>Невалиден аргумент: свойството трябва да има име.</translation>
    </message>
    <message>
        <source>Property not found: &apos;%1&apos;.</source>
        <translation>Свойството &apos;%1&apos; не е намерено.</translation>
    </message>
    <message>
        <source>Invalid operation: the fields of this object cannot change.</source>
        <translation>Невалидна операция: полетата на този обект не могат да се променят.</translation>
    </message>
    <message>
        <source>Invalid argument: a field needs a name.</source>
        <translation>Невалиден аргумент: полето трябва да има име.</translation>
    </message>
    <message>
        <source>Cannot define field more than once: &apos;%1&apos;.</source>
        <translation>Полето &apos;%1&apos; не може да се описва повече от веднъж.</translation>
    </message>
    <message>
        <source>Invalid operation: the index &apos;%1&apos; is already part of a table.</source>
        <translation>Невалидна операция: индексът &apos;%1&apos; вече е част от таблица.</translation>
    </message>
    <message>
        <source>Invalid argument: an index needs a name.</source>
        <translation>Невалиден аргумент: индексът трябва да има име.</translation>
    </message>
    <message>
        <source>Index &apos;%1&apos; already exists.</source>
        <translation>Индексът &apos;%1&apos; вече съществува.</translation>
    </message>
    <message>
        <source>No field defined--cannot append TableDef or Index.</source>
        <translation>Няма описано поле - таблицата или индексът не могат да се добавят.</translation>
    </message>
    <message>
        <source>Could not use &apos;%1&apos;; file already in use.</source>
        <translation>Файлът &apos;%1&apos; не може да се използва; вече се използва от друг.</translation>
    </message>
    <message>
        <source>The database &apos;%1&apos; cannot be opened: %2.</source>
        <translation>Базата данни &apos;%1&apos; не може да се отвори: %2.</translation>
    </message>
    <message>
        <source>Database &apos;%1&apos; already exists.</source>
        <translation>Базата данни &apos;%1&apos; вече съществува.</translation>
    </message>
    <message>
        <source>The database &apos;%1&apos; is damaged beyond repair: its table list cannot be read.</source>
        <translation>Базата данни &apos;%1&apos; е повредена непоправимо: списъкът на таблиците й не може да се прочете.</translation>
    </message>
    <message>
        <source>The compacted copy of &apos;%1&apos; did not pass its check; the original is unchanged.</source>
        <translation>Компресираното копие на &apos;%1&apos; не издържа проверката; оригиналът не е променен.</translation>
    </message>
    <message>
        <source>Could not find file &apos;%1&apos;.</source>
        <translation>Файлът &apos;%1&apos; не е намерен.</translation>
    </message>
    <message>
        <source>Unrecognized database format &apos;%1&apos;.</source>
        <translation>Неразпознат формат на базата данни &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>The database &apos;%1&apos; cannot be repaired; it is left as it was.</source>
        <translation>Базата данни &apos;%1&apos; не може да се поправи; оставена е непроменена.</translation>
    </message>
    <message>
        <source>Operation is not supported for this type of object: a saved query keeps its name.</source>
        <translation>Операцията не се поддържа за този вид обект: записаната заявка запазва името си.</translation>
    </message>
    <message>
        <source>Cannot execute a select query.</source>
        <translation>Заявка за избор не може да се изпълни.</translation>
    </message>
    <message>
        <source>Invalid argument: a saved query needs a name.</source>
        <translation>Невалиден аргумент: записаната заявка трябва да има име.</translation>
    </message>
    <message>
        <source>Object &apos;%1&apos; already exists.</source>
        <translation>Обектът &apos;%1&apos; вече съществува.</translation>
    </message>
    <message>
        <source>No current record.</source>
        <translation>Няма текущ запис.</translation>
    </message>
    <message>
        <source>Record is deleted.</source>
        <translation>Записът е изтрит.</translation>
    </message>
    <message>
        <source>Operation is not supported for this type of object: %1.</source>
        <translation>Операцията не се поддържа за този вид обект: %1.</translation>
    </message>
    <message>
        <source>The engine cannot find the input table or query &apos;%1&apos;.</source>
        <translation>Машината за бази данни не намира входната таблица или заявка &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Invalid operation: &apos;%1&apos; returns no rows; run it with Execute.</source>
        <translation>Невалидна операция: &apos;%1&apos; не връща редове; изпълнете я с Execute.</translation>
    </message>
    <message>
        <source>Dynamic recordsets need an ODBC connection, which this engine does not offer.</source>
        <translation>Динамичните набори от записи изискват ODBC връзка, каквато тази машина за бази данни не предлага.</translation>
    </message>
    <message>
        <source>Invalid argument: recordset type %1.</source>
        <translation>Невалиден аргумент: тип на набора от записи %1.</translation>
    </message>
    <message>
        <source>Not a valid bookmark.</source>
        <translation>Невалидна отметка.</translation>
    </message>
    <message>
        <source>Invalid argument: position %1.</source>
        <translation>Невалиден аргумент: позиция %1.</translation>
    </message>
    <message>
        <source>Invalid argument: percent position %1.</source>
        <translation>Невалиден аргумент: позиция в проценти %1.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an index in this table.</source>
        <translation>&apos;%1&apos; не е индекс на тази таблица.</translation>
    </message>
    <message>
        <source>Operation invalid without a current index.</source>
        <translation>Операцията е невалидна без текущ индекс.</translation>
    </message>
    <message>
        <source>Invalid argument: Seek comparison &apos;%1&apos;.</source>
        <translation>Невалиден аргумент: сравнение за търсене &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Invalid argument: Seek takes 1 to %1 key values.</source>
        <translation>Невалиден аргумент: търсенето приема от 1 до %1 ключови стойности.</translation>
    </message>
    <message>
        <source>Invalid operation: a table-type recordset opens from a table only.</source>
        <translation>Невалидна операция: набор от записи от тип таблица се отваря само от таблица.</translation>
    </message>
    <message>
        <source>Invalid operation: LockEdits cannot change during an edit.</source>
        <translation>Невалидна операция: заключването на записите не може да се променя по време на редакция.</translation>
    </message>
    <message>
        <source>Cannot update. Database or object is read-only.</source>
        <translation>Не може да се запише. Базата данни или обектът са само за четене.</translation>
    </message>
    <message>
        <source>Update or CancelUpdate without AddNew or Edit.</source>
        <translation>Запис или отказ от запис без започнато добавяне или редакция.</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; cannot be updated.</source>
        <translation>Полето &apos;%1&apos; не може да се променя.</translation>
    </message>
    <message>
        <source>The field &apos;%1&apos; is too small to accept the amount of data you attempted to add.</source>
        <translation>Полето &apos;%1&apos; е твърде малко за данните, които се опитахте да въведете.</translation>
    </message>
    <message>
        <source>The field &apos;%1.%2&apos; cannot contain a Null value because the Required property for this field is set to True. Enter a value in this field.</source>
        <translation>Полето &apos;%1.%2&apos; не може да остане празно, защото е задължително. Въведете стойност в него.</translation>
    </message>
    <message>
        <source>Field &apos;%1.%2&apos; cannot be a zero-length string.</source>
        <translation>Полето &apos;%1.%2&apos; не може да бъде празен текст.</translation>
    </message>
    <message>
        <source>Index or primary key cannot contain a Null value.</source>
        <translation>Индексът или първичният ключ не може да съдържа празна стойност.</translation>
    </message>
    <message>
        <source>The engine cannot find the table &apos;%1&apos;.</source>
        <translation>Машината за бази данни не намира таблицата &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>The record was changed by another user since you began editing it; your changes were not saved. Read the record again and repeat them.</source>
        <translation>Записът е променен от друг потребител, откакто започнахте да го редактирате; вашите промени не са записани. Прочетете записа отново и ги повторете.</translation>
    </message>
    <message>
        <source>The database &apos;%1&apos; was left unfinished by a program that stopped while writing to it; it cannot be read until it is opened once for writing (not read-only), which recovers it.</source>
        <translation>Базата данни &apos;%1&apos; е останала недописана от програма, спряла по време на запис; тя не може да се чете, докато не бъде отворена веднъж за запис (не само за четене), което я възстановява.</translation>
    </message>
    <message>
        <source>Could not read the database; it is locked by another connection.</source>
        <translation>Базата данни не може да се прочете; заключена е от друга връзка.</translation>
    </message>
    <message>
        <source>The database is damaged: %1. Repair it before use.</source>
        <translation>Базата данни е повредена: %1. Поправете я, преди да работите с нея.</translation>
    </message>
    <message>
        <source>The engine cannot run the statement: %1.</source>
        <translation>Машината за бази данни не може да изпълни командата: %1.</translation>
    </message>
    <message>
        <source>The changes you requested to the table were not successful because they would create duplicate values in the index or primary key.</source>
        <translation>Промените в таблицата не бяха записани, защото биха създали повтарящи се стойности в индекса или първичния ключ.</translation>
    </message>
    <message>
        <source>The field &apos;%1&apos; cannot contain a Null value because the Required property for this field is set to True. Enter a value in this field.</source>
        <translation>Полето &apos;%1&apos; не може да остане празно, защото е задължително. Въведете стойност в него.</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; cannot be a zero-length string.</source>
        <translation>Полето &apos;%1&apos; не може да бъде празен текст.</translation>
    </message>
    <message>
        <source>The change breaks a rule of the table: %1.</source>
        <translation>Промяната нарушава правило на таблицата: %1.</translation>
    </message>
    <message>
        <source>Could not update; the database is currently locked by another connection.</source>
        <translation>Не може да се запише; в момента базата данни е заключена от друга връзка.</translation>
    </message>
    <message>
        <source>Cannot update: the folder of the database &apos;%1&apos; is read-only, so the engine cannot make its journal there.</source>
        <translation>Не може да се запише: папката на базата данни &apos;%1&apos; е само за четене и машината за бази данни не може да създаде дневника си в нея.</translation>
    </message>
    <message>
        <source>Disk or network error: %1.</source>
        <translation>Грешка на диска или мрежата: %1.</translation>
    </message>
    <message>
        <source>The engine failed: %1.</source>
        <translation>Грешка в машината за бази данни: %1.</translation>
    </message>
    <message>
        <source>Not a valid password.</source>
        <translation>Невалидна парола.</translation>
    </message>
    <message>
        <source>Unrecognized database format &apos;%1&apos;: it is a Jet database file, which this engine cannot read.</source>
        <translation>Неразпознат формат на базата данни &apos;%1&apos;: това е файл на база данни Jet, който тази машина за бази данни не може да чете.</translation>
    </message>
    <message>
        <source>The database &apos;%1&apos; has format version %2, which engine version %3 cannot use; open it with engine version 3.6.</source>
        <translation>Базата данни &apos;%1&apos; е с версия на формата %2, която версия %3 на машината за бази данни не може да използва; отворете я с версия 3.6.</translation>
    </message>
    <message>
        <source>The database &apos;%1&apos; cannot be opened for writing: the lock file &apos;%2&apos; cannot be made in its folder &apos;%3&apos;. The folder may be read-only; open the database read-only or allow writing in the folder.</source>
        <translation>Базата данни &apos;%1&apos; не може да се отвори за запис: заключващият файл &apos;%2&apos; не може да се създаде в папката й &apos;%3&apos;. Папката може да е само за четене; отворете базата само за четене или разрешете записа в папката.</translation>
    </message>
    <message>
        <source>The database &apos;%1&apos; cannot be opened.</source>
        <translation>Базата данни &apos;%1&apos; не може да се отвори.</translation>
    </message>
    <message>
        <source>Could not create the database &apos;%1&apos;: %2.</source>
        <translation>Базата данни &apos;%1&apos; не може да се създаде: %2.</translation>
    </message>
    <message>
        <source>Could not create the database &apos;%1&apos;.</source>
        <translation>Базата данни &apos;%1&apos; не може да се създаде.</translation>
    </message>
    <message>
        <source>Invalid argument: a table needs a name.</source>
        <translation>Невалиден аргумент: таблицата трябва да има име.</translation>
    </message>
    <message>
        <source>Table &apos;%1&apos; already exists.</source>
        <translation>Таблицата &apos;%1&apos; вече съществува.</translation>
    </message>
    <message>
        <source>Item not found in this collection: the index &apos;%1&apos; names the field &apos;%2&apos;, which the table does not have.</source>
        <translation>Елементът не е намерен в тази колекция: индексът &apos;%1&apos; посочва полето &apos;%2&apos;, каквото таблицата няма.</translation>
    </message>
    <message>
        <source>The catalogue table &apos;%1&apos; cannot be deleted.</source>
        <translation>Каталожната таблица &apos;%1&apos; не може да се изтрие.</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; already exists in table &apos;%2&apos;.</source>
        <translation>Полето &apos;%1&apos; вече съществува в таблицата &apos;%2&apos;.</translation>
    </message>
    <message>
        <source>A counter field can only be defined with its table.</source>
        <translation>Брояч може да се опише само заедно с таблицата си.</translation>
    </message>
    <message>
        <source>Item not found in this collection: the table &apos;%1&apos; has no field &apos;%2&apos;.</source>
        <translation>Елементът не е намерен в тази колекция: таблицата &apos;%1&apos; няма поле &apos;%2&apos;.</translation>
    </message>
    <message>
        <source>Primary key already exists.</source>
        <translation>Първичният ключ вече съществува.</translation>
    </message>
    <message>
        <source>Invalid operation: a transaction is already open.</source>
        <translation>Невалидна операция: вече има започната транзакция.</translation>
    </message>
    <message>
        <source>Commit or Rollback without BeginTrans.</source>
        <translation>Потвърждаване или отмяна без започната транзакция.</translation>
    </message>
    <message>
        <source>Operation is not supported for this type of object: a stored table keeps its name.</source>
        <translation>Операцията не се поддържа за този вид обект: съхранената таблица запазва името си.</translation>
    </message>
    <message>
        <source>Invalid operation: a stored table keeps its attributes.</source>
        <translation>Невалидна операция: съхранената таблица запазва атрибутите си.</translation>
    </message>
    <message>
        <source>Invalid argument: no table definition.</source>
        <translation>Невалиден аргумент: няма описание на таблица.</translation>
    </message>
    <message>
        <source>Data type conversion error.</source>
        <translation>Грешка при преобразуване на типа на данните.</translation>
    </message>
    <message>
        <source>ODBC--call failed: this engine opens only its own database files and has no ODBC connections.</source>
        <translation>Грешка при ODBC извикване: тази машина за бази данни отваря само собствените си файлове и няма ODBC връзки.</translation>
    </message>
    <message>
        <source>Could not find installable ISAM: &apos;%1&apos; databases cannot be opened by this engine.</source>
        <translation>Не е намерен инсталируем ISAM: бази данни &apos;%1&apos; не могат да се отварят от тази машина за бази данни.</translation>
    </message>
    <message>
        <source>Invalid argument: locale &apos;%1&apos;.</source>
        <translation>Невалиден аргумент: езикова настройка &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Engine version %1 cannot make a database of format version 4.0; use engine version 3.6.</source>
        <translation>Версия %1 на машината за бази данни не може да създаде база данни с формат 4.0; използвайте версия 3.6.</translation>
    </message>
    <message>
        <source>Expression too complex at position %1: it is nested more than %2 levels deep.</source>
        <translation>Твърде сложен израз на позиция %1: вложен е на повече от %2 нива.</translation>
    </message>
    <message>
        <source>Syntax error: %1 opened at position %2 is not closed.</source>
        <translation>Синтактична грешка: %1, отворено на позиция %2, не е затворено.</translation>
    </message>
    <message>
        <source>Syntax error in query at position %1 near &apos;{&apos;.</source>
        <translation>Синтактична грешка в заявката на позиция %1 около &apos;{&apos;.</translation>
    </message>
    <message>
        <source>Syntax error at position %1 near &apos;%2&apos;; expected %3.</source>
        <translation>Синтактична грешка на позиция %1 около &apos;%2&apos;; очаква се %3.</translation>
    </message>
    <message>
        <source>Expression too complex at position %1: more than %2 levels of parentheses, signs or NOT.</source>
        <translation>Твърде сложен израз на позиция %1: повече от %2 нива на скоби, знаци или NOT.</translation>
    </message>
    <message>
        <source>Syntax error in date at position %1 near &apos;#%2#&apos;.</source>
        <translation>Синтактична грешка в дата на позиция %1 около &apos;#%2#&apos;.</translation>
    </message>
    <message>
        <source>Syntax error in GUID at position %1 near &apos;{guid %2}&apos;.</source>
        <translation>Синтактична грешка в GUID на позиция %1 около &apos;{guid %2}&apos;.</translation>
    </message>
    <message>
        <source>Circular reference caused by &apos;%1&apos;.</source>
        <translation>Кръгова препратка, предизвикана от &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>The database engine cannot find the input table or query &apos;%1&apos;. Make sure it exists and that its name is spelled correctly.</source>
        <translation>Машината за бази данни не намира входната таблица или заявка &apos;%1&apos;. Проверете дали съществува и дали името й е изписано правилно.</translation>
    </message>
    <message>
        <source>The query &apos;%1&apos; is an action query and cannot be read as rows.</source>
        <translation>Заявката &apos;%1&apos; е заявка за действие и не може да се чете като редове.</translation>
    </message>
    <message>
        <source>Circular reference caused by alias &apos;%1&apos; in query definition&apos;s SELECT list.</source>
        <translation>Кръгова препратка, предизвикана от псевдонима &apos;%1&apos; в списъка SELECT на заявката.</translation>
    </message>
    <message>
        <source>The specified field &apos;%1&apos; could refer to more than one table listed in the FROM clause of your SQL statement.</source>
        <translation>Посоченото поле &apos;%1&apos; може да се отнася за повече от една таблица от клаузата FROM на SQL командата.</translation>
    </message>
    <message>
        <source>The database engine does not recognize &apos;%1&apos; as a valid field name or expression.</source>
        <translation>Машината за бази данни не разпознава &apos;%1&apos; като валидно име на поле или израз.</translation>
    </message>
    <message>
        <source>Syntax error at position %1 near &apos;*&apos;; expected an expression.</source>
        <translation>Синтактична грешка на позиция %1 около &apos;*&apos;; очаква се израз.</translation>
    </message>
    <message>
        <source>Wrong number of arguments used with function in query expression &apos;%1&apos; at position %2.</source>
        <translation>Грешен брой аргументи на функция в израза &apos;%1&apos; на позиция %2.</translation>
    </message>
    <message>
        <source>Cannot have aggregate function in this clause (%1).</source>
        <translation>В тази клауза не може да има агрегатна функция (%1).</translation>
    </message>
    <message>
        <source>Cannot have aggregate function in expression (%1).</source>
        <translation>В израза не може да има агрегатна функция (%1).</translation>
    </message>
    <message>
        <source>Data type mismatch in criteria expression: &apos;%1&apos; at position %2 is no date.</source>
        <translation>Несъответствие на типа в израза за условие: &apos;%1&apos; на позиция %2 не е дата.</translation>
    </message>
    <message>
        <source>Undefined function &apos;%1&apos; in expression at position %2.</source>
        <translation>Неопределена функция &apos;%1&apos; в израза на позиция %2.</translation>
    </message>
    <message>
        <source>Syntax error at position %1 near &apos;%2&apos;; the source is named twice in the FROM clause.</source>
        <translation>Синтактична грешка на позиция %1 около &apos;%2&apos;; източникът е посочен два пъти в клаузата FROM.</translation>
    </message>
    <message>
        <source>You tried to execute a query that does not include the specified expression &apos;%1&apos; as part of an aggregate function.</source>
        <translation>Опитахте да изпълните заявка, в която посоченият израз &apos;%1&apos; не е част от агрегатна функция.</translation>
    </message>
    <message>
        <source>DISTINCTROW over more than one table without GROUP BY is not supported.</source>
        <translation>DISTINCTROW върху повече от една таблица без GROUP BY не се поддържа.</translation>
    </message>
    <message>
        <source>TOP together with ORDER BY is not supported.</source>
        <translation>TOP заедно с ORDER BY не се поддържа.</translation>
    </message>
    <message>
        <source>Operation must use an updatable query.</source>
        <translation>Операцията трябва да използва заявка, която позволява промени.</translation>
    </message>
    <message>
        <source>The INSERT INTO statement contains the following unknown field name: &apos;%1&apos;.</source>
        <translation>Командата INSERT INTO съдържа непознато име на поле: &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Number of query values and destination fields are not the same.</source>
        <translation>Броят на стойностите в заявката и на целевите полета не съвпада.</translation>
    </message>
    <message>
        <source>The copy &apos;%1&apos; could not be written to the disk.</source>
        <translation>Копието &apos;%1&apos; не можа да бъде записано на диска.</translation>
    </message>
    <message>
        <source>The new copy of &apos;%1&apos; could not be put in its place; the original is unchanged.</source>
        <translation>Новото копие на &apos;%1&apos; не можа да застане на мястото й; оригиналът не е променен.</translation>
    </message>
    <message>
        <source>Could not open the database &apos;%1&apos;; another connection kept it locked for longer than %2 seconds.</source>
        <translation>Базата данни &apos;%1&apos; не може да се отвори; друга връзка я държи заключена повече от %2 секунди.</translation>
    </message>
    <message>
        <source>Overflow</source>
        <translation>Препълване</translation>
    </message>
</context>
<context>
    <name>DataAccess</name>
    <message>
        <source>&apos;%1&apos; is not a valid GUID value</source>
        <translation>&apos;%1&apos; не е валиден GUID</translation>
    </message>
    <message>
        <source>Database %1 needs to be repaired and compacted!</source>
        <translation>Базата данни %1 трябва да бъде поправена и компактирана!</translation>
    </message>
</context>
<context>
    <name>Report</name>
    <message>
        <source>No PDF file name is given</source>
        <translation>Не е посочено име на PDF файла</translation>
    </message>
    <message>
        <source>The dataset no longer exists</source>
        <translation>Наборът от данни вече не съществува</translation>
    </message>
    <message>
        <source>No data field is given</source>
        <translation>Не е посочено поле с данни</translation>
    </message>
    <message>
        <source>Unterminated text in expression</source>
        <translation>Незатворен текст в израза</translation>
    </message>
    <message>
        <source>Unexpected character &apos;%1&apos; in expression</source>
        <translation>Неочакван знак &apos;%1&apos; в израза</translation>
    </message>
    <message>
        <source>Empty expression</source>
        <translation>Празен израз</translation>
    </message>
    <message>
        <source>Unexpected &apos;%1&apos; in expression</source>
        <translation>Неочаквано &apos;%1&apos; в израза</translation>
    </message>
    <message>
        <source>&apos;%1&apos; expected in expression</source>
        <translation>В израза се очаква &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Unexpected end of expression</source>
        <translation>Неочакван край на израза</translation>
    </message>
    <message>
        <source>Field name expected after &apos;%1.&apos;</source>
        <translation>След &apos;%1.&apos; се очаква име на поле</translation>
    </message>
    <message>
        <source>Unknown function %1</source>
        <translation>Непозната функция %1</translation>
    </message>
    <message>
        <source>Wrong number of arguments to %1</source>
        <translation>Грешен брой аргументи на %1</translation>
    </message>
    <message>
        <source>%1 cannot hold another aggregate</source>
        <translation>%1 не може да съдържа друга агрегатна функция</translation>
    </message>
    <message>
        <source>Division by zero</source>
        <translation>Деление на нула</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; has no dataset: the report has none</source>
        <translation>Полето &apos;%1&apos; няма набор от данни: справката няма такъв</translation>
    </message>
    <message>
        <source>Dataset &apos;%1&apos; not found</source>
        <translation>Наборът от данни &apos;%1&apos; не е намерен</translation>
    </message>
    <message>
        <source>Dataset &apos;%1&apos; is not open</source>
        <translation>Наборът от данни &apos;%1&apos; не е отворен</translation>
    </message>
    <message>
        <source>The paper size %1 x %2 mm is not valid</source>
        <translation>Размерът на хартията %1 x %2 мм е невалиден</translation>
    </message>
    <message>
        <source>A margin cannot be negative</source>
        <translation>Полето на страницата не може да е отрицателно</translation>
    </message>
    <message>
        <source>The margins leave no room on the page</source>
        <translation>Полетата не оставят място на страницата</translation>
    </message>
    <message>
        <source>The printer cannot take the paper size</source>
        <translation>Принтерът не поддържа този размер на хартията</translation>
    </message>
    <message>
        <source>The printer &apos;%1&apos; cannot be started</source>
        <translation>Принтерът &apos;%1&apos; не може да започне печат</translation>
    </message>
    <message>
        <source>Cannot write the file &apos;%1&apos;</source>
        <translation>Файлът &apos;%1&apos; не може да се запише</translation>
    </message>
    <message>
        <source>No printer is installed: save the document as a PDF file</source>
        <translation>Няма инсталиран принтер: запишете документа като PDF файл</translation>
    </message>
</context>
<context>
    <name>Toolkit</name>
    <message>
        <source>Invalid bookmark</source>
        <translation>Невалидна отметка</translation>
    </message>
    <message>
        <source>More fields than values</source>
        <translation>Полетата са повече от стойностите</translation>
    </message>
    <message>
        <source>Lookup information for field &apos;%1&apos; is incomplete</source>
        <translation>Данните за справочното поле &apos;%1&apos; са непълни</translation>
    </message>
    <message>
        <source>Cannot perform this operation on an empty dataset</source>
        <translation>Операцията не може да се изпълни върху празен набор от данни</translation>
    </message>
    <message>
        <source>Record not found</source>
        <translation>Записът не е намерен</translation>
    </message>
    <message>
        <source>Dataset not in edit or insert mode</source>
        <translation>Наборът от данни не е в режим на редакция или добавяне</translation>
    </message>
    <message>
        <source>Cannot perform this operation on a closed dataset</source>
        <translation>Операцията не може да се изпълни върху затворен набор от данни</translation>
    </message>
    <message>
        <source>Cannot perform this operation on an open dataset</source>
        <translation>Операцията не може да се изпълни върху отворен набор от данни</translation>
    </message>
    <message>
        <source>Cannot modify a read-only dataset</source>
        <translation>Набор от данни само за четене не може да се променя</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; not found</source>
        <translation>Полето &apos;%1&apos; не е намерено</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; must have a value</source>
        <translation>Полето &apos;%1&apos; трябва да има стойност</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; cannot be modified</source>
        <translation>Полето &apos;%1&apos; не може да се променя</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; has no blob stream</source>
        <translation>Полето &apos;%1&apos; няма двоичен поток</translation>
    </message>
    <message>
        <source>Circular datalinks are not allowed</source>
        <translation>Кръгови връзки между данните не са позволени</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid date and time</source>
        <translation>&apos;%1&apos; не е валидна дата с час</translation>
    </message>
    <message>
        <source>Invalid argument to date encode</source>
        <translation>Невалидна стойност за съставяне на дата</translation>
    </message>
    <message>
        <source>Invalid argument to time encode</source>
        <translation>Невалидна стойност за съставяне на час</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid date</source>
        <translation>&apos;%1&apos; не е валидна дата</translation>
    </message>
    <message>
        <source>Type mismatch in expression</source>
        <translation>Несъответствие на типовете в израза</translation>
    </message>
    <message>
        <source>Error in filter expression at position %1: %2</source>
        <translation>Грешка в израза на филтъра на позиция %1: %2</translation>
    </message>
    <message>
        <source>the expression is empty</source>
        <translation>изразът е празен</translation>
    </message>
    <message>
        <source>unexpected &apos;%1&apos;</source>
        <translation>неочаквано &apos;%1&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; expected instead of %2</source>
        <translation>очаква се &apos;%1&apos; вместо %2</translation>
    </message>
    <message>
        <source>NULL expected</source>
        <translation>очаква се NULL</translation>
    </message>
    <message>
        <source>LIKE expected</source>
        <translation>очаква се LIKE</translation>
    </message>
    <message>
        <source>operand expected at the end</source>
        <translation>в края се очаква операнд</translation>
    </message>
    <message>
        <source>operand expected instead of &apos;%1&apos;</source>
        <translation>очаква се операнд вместо &apos;%1&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid number</source>
        <translation>&apos;%1&apos; не е валидно число</translation>
    </message>
    <message>
        <source>%1 takes one argument</source>
        <translation>%1 приема един аргумент</translation>
    </message>
    <message>
        <source>unknown function &apos;%1&apos;</source>
        <translation>непозната функция &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Filter expression is too long</source>
        <translation>Изразът на филтъра е твърде дълъг</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; не е валидно цяло число</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value for field &apos;%2&apos;</source>
        <translation>&apos;%1&apos; не е валидно цяло число за полето &apos;%2&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid BCD value</source>
        <translation>&apos;%1&apos; не е валидно десетично число</translation>
    </message>
    <message>
        <source>Invalid BCD value</source>
        <translation>Невалидно десетично число</translation>
    </message>
    <message>
        <source>Duplicate field name &apos;%1&apos;</source>
        <translation>Повтарящо се име на поле &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; has no dataset</source>
        <translation>Полето &apos;%1&apos; няма набор от данни</translation>
    </message>
    <message>
        <source>Cannot access field &apos;%1&apos; as type %2</source>
        <translation>Полето &apos;%1&apos; не може да се използва като тип %2</translation>
    </message>
    <message>
        <source>%1 is not a valid value for field &apos;%2&apos;. The allowed range is %3 to %4</source>
        <translation>%1 не е валидна стойност за полето &apos;%2&apos;. Позволени са стойности от %3 до %4</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid floating point value</source>
        <translation>&apos;%1&apos; не е валидно число</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid boolean value</source>
        <translation>&apos;%1&apos; не е валидна логическа стойност</translation>
    </message>
    <message>
        <source>Invalid field size</source>
        <translation>Невалиден размер на полето</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid value for DisplayValues</source>
        <translation>&apos;%1&apos; не е валидна стойност за показваните стойности</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid boolean value for field &apos;%2&apos;</source>
        <translation>&apos;%1&apos; не е валидна логическа стойност за полето &apos;%2&apos;</translation>
    </message>
    <message>
        <source>Invalid value for field &apos;%1&apos;</source>
        <translation>Невалидна стойност за полето &apos;%1&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid floating point value for field &apos;%2&apos;</source>
        <translation>&apos;%1&apos; не е валидно число за полето &apos;%2&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid BCD value for field &apos;%2&apos;</source>
        <translation>&apos;%1&apos; не е валидно десетично число за полето &apos;%2&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid time</source>
        <translation>&apos;%1&apos; не е валиден час</translation>
    </message>
    <message>
        <source>Invalid blob type for field &apos;%1&apos;</source>
        <translation>Невалиден двоичен тип за полето &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Field type %1 is not supported</source>
        <translation>Типът на полето %1 не се поддържа</translation>
    </message>
    <message>
        <source>Field name missing</source>
        <translation>Липсва име на поле</translation>
    </message>
    <message>
        <source>Duplicate index name &apos;%1&apos;</source>
        <translation>Повтарящо се име на индекс &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Index &apos;%1&apos; not found</source>
        <translation>Индексът &apos;%1&apos; не е намерен</translation>
    </message>
    <message>
        <source>No index for fields &apos;%1&apos;</source>
        <translation>Няма индекс за полетата &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Delete record?</source>
        <translation>Да се изтрие ли записът?</translation>
    </message>
    <message>
        <source>Parameter &apos;%1&apos; not found</source>
        <translation>Параметърът &apos;%1&apos; не е намерен</translation>
    </message>
    <message>
        <source>More parameters than values</source>
        <translation>Параметрите са повече от стойностите</translation>
    </message>
    <message>
        <source>Could not convert variant of type (%1) into type (%2)</source>
        <translation>Стойност от тип (%1) не може да се преобразува в тип (%2)</translation>
    </message>
    <message>
        <source>Variant array index out of bounds</source>
        <translation>Индексът е извън границите на масива</translation>
    </message>
</context>
</TS>
