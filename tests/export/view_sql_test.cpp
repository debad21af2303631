// Saved queries as views: Access SQL into each engine's, names resolved to
// the tables' own, and what no engine would run the same refused with the
// reason.
#include <gtest/gtest.h>

#include "export/ddl_writer.h"
#include "export/view_sql.h"

namespace {

ViewSources Sources(const DdlWriter& writer) {
  auto column = [&](const char* name, ValueClass valueClass = ValueClass::Other) {
    return ViewColumn{name, writer.Quote(name), valueClass};
  };
  ViewSources sources;
  sources["order details"] = {writer.Quote("Order Details"),
                              {column("OrderID"), column("Qty"), column("Note", ValueClass::Text)}};
  sources["products"] = {writer.Quote("Products"),
                         {column("ProductID"), column("OrderID"), column("Discontinued", ValueClass::Boolean),
                          column("Shipped")}};
  return sources;
}

TEST(TranslateView, WritesAccessSqlInEachEngineOwnTerms) {
  struct Case {
    SqlDialect dialect;
    const char* access;
    const char* sql;
  };
  const Case cases[] = {
      {SqlDialect::Postgres,
       "SELECT [Order Details].OrderID, Sum(qty) AS [Total Qty]\nFROM [Order Details]\n"
       "WHERE [Order Details].Note Like \"a*b?\" GROUP BY [Order Details].OrderID ORDER BY [Total Qty] DESC;",
       "SELECT \"Order Details\".\"OrderID\", SUM(\"Order Details\".\"Qty\") AS \"Total Qty\"\n"
       "FROM \"Order Details\"\nWHERE \"Order Details\".\"Note\" ILIKE 'a%b_'\n"
       "GROUP BY \"Order Details\".\"OrderID\"\nORDER BY \"Total Qty\" DESC"},
      // Access's true is -1; its dates are month first.
      {SqlDialect::Sqlite,
       "SELECT p.ProductID, Count(*) FROM Products AS p INNER JOIN [Order Details] ON p.OrderID = [Order "
       "Details].OrderID WHERE p.Discontinued = -1 AND p.Shipped Between #1/2/95# And #12/31/1995 1:05 PM# "
       "GROUP BY p.ProductID",
       "SELECT \"p\".\"ProductID\", COUNT(*) AS \"Expr1000\"\n"
       "FROM \"Products\" AS \"p\" INNER JOIN \"Order Details\" ON \"p\".\"OrderID\" = \"Order "
       "Details\".\"OrderID\"\n"
       "WHERE \"p\".\"Discontinued\" = 1 AND \"p\".\"Shipped\" BETWEEN '1995-01-02 00:00:00' AND '1995-12-31 "
       "13:05:00'\nGROUP BY \"p\".\"ProductID\""},
      {SqlDialect::Mysql,
       "SELECT DISTINCTROW Products.* FROM Products WHERE Products.Discontinued = No UNION SELECT o.OrderID, "
       "o.OrderID, o.Qty, o.Qty FROM [Order Details] AS o ORDER BY ProductID",
       "SELECT `Products`.*\nFROM `Products`\nWHERE `Products`.`Discontinued` = FALSE\n"
       "UNION SELECT `o`.`OrderID`, `o`.`OrderID`, `o`.`Qty`, `o`.`Qty`\n"
       "FROM `Order Details` AS `o`\nORDER BY `ProductID`"},
  };
  DatabaseSchema empty;
  for (const Case& c : cases) {
    auto writer = DdlWriter::Make(c.dialect, empty);
    ViewSql view = TranslateView(c.access, Sources(*writer), *writer);
    EXPECT_EQ(view.problem, "") << c.access;
    EXPECT_EQ(view.sql, c.sql) << c.access;
  }
}

TEST(TranslateView, RefusesWhatAnEngineWouldNotRunAlike) {
  struct Case {
    const char* access;
    const char* problem;
  };
  const Case cases[] = {
      {"PARAMETERS x Long; SELECT Products.* FROM Products", "it asks for parameters"},
      {"SELECT Products.ProductID FROM Products WHERE Products.OrderID = [Which order?]",
       "it reads Which order?, which is not a column of its tables (a parameter?)"},
      {"SELECT Format(Products.Shipped, \"yyyy\") FROM Products", "it calls Format, a function of Access"},
      {"SELECT Products.ProductID & \"x\" FROM Products", "it uses &, an operator of Access"},
      {"SELECT TOP 5 Products.* FROM Products", "it takes the TOP rows"},
      {"SELECT DISTINCTROW Products.ProductID FROM Products, [Order Details]",
       "it takes DISTINCTROW of several tables"},
      {"SELECT Products.* FROM Products WHERE Products.OrderID IN (SELECT OrderID FROM [Order Details])",
       "it holds a subquery"},
      {"SELECT Products.*, [Order Details].OrderID FROM Products, [Order Details]",
       "two of its columns are named OrderID"},
      {"SELECT [Order Details].Note FROM [Order Details] WHERE [Order Details].Note > 3",
       "it compares or adds a text and a number"},
      {"SELECT DISTINCT Products.ProductID FROM Products ORDER BY Products.Shipped",
       "it sorts its distinct rows by what it does not select"},
      {"SELECT Invoices.* FROM Invoices", "it reads Invoices, which is not a table or view here"},
  };
  DatabaseSchema empty;
  auto writer = DdlWriter::Make(SqlDialect::Postgres, empty);
  for (const Case& c : cases) {
    ViewSql view = TranslateView(c.access, Sources(*writer), *writer);
    EXPECT_EQ(view.problem, c.problem) << c.access;
    EXPECT_EQ(view.sql, "") << c.access;
  }
  EXPECT_EQ(TranslateView("SELECT Invoices.* FROM Invoices", Sources(*writer), *writer).missingSource, "Invoices");
}

}  // namespace
