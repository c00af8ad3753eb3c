// Every statement the tool sends, run through OpenQuery/ExecQuery against a
// seeded embedded store, in the order the operations send them, each checked
// by the rows it returns or the rows it leaves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Names.h"
#include "db/Query.h"
#include "db/Session.h"
#include "support/TestStore.h"

namespace jc::db {
namespace {

using Rows = std::vector<std::vector<std::string>>;
const std::string N = "<NULL>";

enum class Expect { Ok, Fails, Returns };

struct Step {
  std::string what;
  std::string sql;
  Expect expect;
  Rows rows;              // Returns: the rows returned; Ok/Fails: the rows of check
  std::string check = {};  // a SELECT whose rows the statement leaves
};

std::string Q(const std::string& v) { return QuotedStr(v); }

// The statements of the mapping build, verification and encryption run.
const std::string kGenericHead =
    "UPDATE T1    SET TEMPNUM = T2.ENCRYPT, PANUM = LEFT(T2.PANUM,7) + '******'   FROM (SELECT PANUM, TEMPNUM "
    "          FROM ";
std::string Generic(const std::string& table) {
  return kGenericHead + table + "         WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS NULL) AS T1, " +
         "       TV_BASE..TEMP_MAPPING_BAK AS T2 " + " WHERE T1.PANUM = T2.PANUM ";
}
std::string OwnUpdate(const std::string& table, const std::string& plain, const std::string& enc,
                      const std::string& selected) {
  return "UPDATE T1    SET " + enc + " = T2.ENCRYPT, " + plain + " = LEFT(T2.PANUM,7) + '******'   FROM (SELECT " +
         selected + ", " + enc + "           FROM " + table + "          WHERE RIGHT(" +
         (selected == plain ? plain : "REPLACE(" + plain + ",'-','')") + ",6) <> '******' AND " + enc +
         " IS NULL) AS T1,        TV_BASE..TEMP_MAPPING_BAK AS T2  WHERE T1." + plain + " = T2.PANUM ";
}
std::string Collect(const std::string& table) {
  return "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) SELECT PANUM, TEMPNUM    FROM (SELECT PANUM, "
         "TEMPNUM            FROM " +
         table +
         "           WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS NULL           GROUP BY PANUM, TEMPNUM) AS "
         "T1  WHERE NOT EXISTS(SELECT * FROM TV_BASE..TEMP_MAPPING_BAK AS T2                    WHERE T1.PANUM "
         "= T2.PANUM) ";
}

const std::string kMapping = "SELECT PANUM, ENCRYPT, CHECKFLG FROM TV_BASE..TEMP_MAPPING_BAK ORDER BY PANUM";
const std::string kPersons =
    "SELECT CUSCODE, SEQ, PANUM, TEMPNUM, INSNUM, TEMPNUM_1 FROM TV_BASE..CD_PERSON ORDER BY CUSCODE, SEQ";
const std::string kCheck = "SELECT CUSCODE, SEQ, CHK FROM TV_BASE..JUMIN_CHECK ORDER BY CUSCODE, SEQ";
const std::string kCheckP = "SELECT PRESERIAL, CHK FROM TV_BASE..JUMIN_CHECK ORDER BY PRESERIAL";

void Seed(test::TestStore& s) {
  using V = test::TestStore::Value;
  auto person = [&](V code, V seq, V name, V date, V panum, V temp, V insnum, V temp1, V act) {
    s.Insert("TV_BASE..CD_PERSON", {{"CUSCODE", code}, {"SEQ", seq}, {"PANAME", name}, {"INDATE", date},
                                    {"PANUM", panum}, {"TEMPNUM", temp}, {"INSNUM", insnum},
                                    {"TEMPNUM_1", temp1}, {"CUSACT", act}});
  };
  person("C001", "1", "홍길동", "20140305", "9001011234567", V(), "8001012345678", V(), "1");
  person("C002", "1", "O'Neil", "20140610", "7505051234567", V(), "", V(), "1");
  person("C003", "1", "김철수", "20140201", "8802021******", "ENC-MASKED01", V(), V(), "1");
  person("C003", "2", "김철수", "20140720", "8802021******", "", V(), V(), "0");
  person("c003 ", "3", "김철수", "20140101", "8802021******", "ENC-MASKED03", V(), V(), "0");
  person("C004", "1", "이영희", "20140101", "123", V(), V(), V(), "1");
  person("C005", "1", "박민수", "20140101", V(), V(), V(), V(), "1");
  person("C006", "1", "최가을", "20140101", "*************", "ENCX", V(), V(), "1");
  auto pres = [&](const std::string& table, V serial, V code, V date, V panum, V temp) {
    s.Insert(table, {{"PRESERIAL", serial}, {"CUSCODE", code}, {"PANAME", "환자"}, {"INDATE", date},
                     {"PANUM", panum}, {"TEMPNUM", temp}});
  };
  pres("TV_PRES..PS_MAIN", "P001", "C001", "20140305", "9001011234567", V());
  pres("TV_PRES..PS_MAIN", "P002", "C003", "20141231", "8802021******", "ENC-MASKED02");
  pres("TV_PRES..PS_MAIN", "P003", "C002", "20150101", "9001011234567 ", V());
  pres("TV_PRES..PS_MAIN", "P004", "C003", "20130101", "8802021******", "ENC3");
  pres("TV_PRES..INS_COMPOS", "P101", "C001", "20140401", "5501011234567", V());
  s.Insert("TV_PRES..SALE_MAIN", {{"PANUM", "6001011111111"}});
  s.Insert("TV_BASE..TV_PRES_LOG", {{"PANUM", "7505051234567"}});
  s.Insert("TV_PRES..PS_NHIC", {{"PANUM", "9001011234567"}, {"OPJUMINNO", "7505051234567"}});
  s.Insert("TV_EDIRECE..H010", {{"AUTHIDNUM", "8001012345678"}});
  s.Insert("TV_EDISEND..H010", {{"AUTHIDNUM", "9999999999999"}});
  s.Insert("TV_PRES..QORA_PRESLP", {{"PANAMEJUMIN", "900101-1234567"}, {"INSUREJUMIN", "750505-1234567"}});
  s.Insert("TV_PRES..QORA_DATAINFO", {{"PREGNO", "900101-1234567"}});
  s.Insert("TV_BASE..HIRAEncryption", {{"Encrypt", "KEYTEXT 01"}});
}

std::vector<Step> Steps() {
  std::vector<Step> st;
  // ---- mapping build
  st.push_back({"S1 creates the unused mapping table", std::string(names::sql::CreateTempMapping), Expect::Ok,
                {{"0"}}, "SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING"});
  st.push_back({"S1 again fails: the table exists", std::string(names::sql::CreateTempMapping), Expect::Fails, {}});
  st.push_back({"S2 fails on the first build", std::string(names::sql::DropTempMappingBak), Expect::Fails, {}});
  st.push_back({"S3", std::string(names::sql::CreateTempMappingBak), Expect::Ok, {}, kMapping});
  st.push_back({"S4", std::string(names::sql::CreateTempMappingIndex), Expect::Ok, {}});
  st.push_back({"S4 again: the index exists on that table", std::string(names::sql::CreateTempMappingIndex),
                Expect::Fails, {}});
  st.push_back({"S5 collects unmasked customer numbers without a value",
                "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) SELECT PANUM, TEMPNUM   FROM "
                "TV_BASE..CD_PERSON  WHERE RIGHT(PANUM,6) <> '******' AND TEMPNUM IS NULL  GROUP BY PANUM, TEMPNUM ",
                Expect::Ok,
                {{"123", N, N}, {"7505051234567", N, N}, {"9001011234567", N, N}},
                kMapping});
  st.push_back({"S6 adds second numbers not yet present, the empty one included",
                "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) SELECT INSNUM, TEMPNUM_1   FROM (SELECT "
                "INSNUM, TEMPNUM_1           FROM TV_BASE..CD_PERSON          WHERE RIGHT(INSNUM,6) <> '******' AND "
                "TEMPNUM_1 IS NULL          GROUP BY INSNUM, TEMPNUM_1) AS T1   WHERE NOT EXISTS(SELECT * FROM "
                "TV_BASE..TEMP_MAPPING_BAK AS T2                     WHERE T1.INSNUM = T2.PANUM) ",
                Expect::Ok,
                {{"", N, N}, {"123", N, N}, {"7505051234567", N, N}, {"8001012345678", N, N}, {"9001011234567", N, N}},
                kMapping});
  st.push_back({"S7: a number with a trailing blank is already present", Collect("TV_PRES..PS_MAIN"), Expect::Ok,
                {{"5"}}, "SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK"});
  st.push_back({"S8", Collect("TV_PRES..INS_COMPOS"), Expect::Ok, {{"6"}},
                "SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK"});
  st.push_back({"S9", Collect("TV_PRES..SALE_MAIN"), Expect::Ok, {{"7"}},
                "SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK"});
  st.push_back({"S10", "DELETE FROM TV_BASE..TEMP_MAPPING_BAK WHERE PANUM = '' ", Expect::Ok, {{"0"}},
                "SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK WHERE PANUM = ''"});
  st.push_back({"entries holding '*' removed", "DELETE FROM TV_BASE..TEMP_MAPPING_BAK WHERE PANUM LIKE '%*%' ",
                Expect::Ok, {{"6"}}, "SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK"});
  st.push_back({"S11", "INSERT INTO TV_BASE..TEMP_MAPPING_BAK(PANUM, ENCRYPT) VALUES(" + Q("") + "," +
                           Q("ENC-EMPTY01") + ")",
                Expect::Ok, {{"", "ENC-EMPTY01", N}}, "SELECT PANUM, ENCRYPT, CHECKFLG FROM TV_BASE..TEMP_MAPPING_BAK WHERE PANUM = ''"});
  st.push_back({"count", " SELECT COUNT(*) AS CNT FROM TV_BASE..TEMP_MAPPING_BAK ", Expect::Returns, {{"7"}}});
  st.push_back({"page of entries without a value", " SELECT TOP 10000 * FROM TV_BASE..TEMP_MAPPING_BAK WHERE ENCRYPT IS NULL",
                Expect::Returns,
                {{"123", N, N}, {"7505051234567", N, N}, {"9001011234567", N, N}, {"8001012345678", N, N},
                 {"5501011234567", N, N}, {"6001011111111", N, N}}});
  st.push_back({"TOP limits the page", " SELECT TOP 2 * FROM TV_BASE..TEMP_MAPPING_BAK WHERE ENCRYPT IS NULL",
                Expect::Returns, {{"123", N, N}, {"7505051234567", N, N}}});
  for (const char* num : {"123", "7505051234567", "9001011234567", "8001012345678", "5501011234567", "6001011111111"})
    st.push_back({std::string("encrypt entry ") + num,
                  " UPDATE TV_BASE..TEMP_MAPPING_BAK SET ENCRYPT = " + Q(std::string("E-") + num) +
                      " WHERE PANUM = " + Q(num),
                  Expect::Ok, {{std::string("E-") + num}},
                  std::string("SELECT ENCRYPT FROM TV_BASE..TEMP_MAPPING_BAK WHERE PANUM = '") + num + "'"});
  st.push_back({"nothing left to encrypt", " SELECT TOP 10000 * FROM TV_BASE..TEMP_MAPPING_BAK WHERE ENCRYPT IS NULL",
                Expect::Returns, {}});
  // ---- verification
  st.push_back({"count without AS", "SELECT COUNT(*) CNT FROM TV_BASE..TEMP_MAPPING_BAK ", Expect::Returns, {{"7"}}});
  st.push_back({"mark one entry", "UPDATE TV_BASE..TEMP_MAPPING_BAK    SET CHECKFLG = '1'  WHERE PANUM = " + Q("123"),
                Expect::Ok, {}});
  st.push_back({"page of unmarked entries",
                "SELECT TOP 10000 PANUM, ENCRYPT FROM TV_BASE..TEMP_MAPPING_BAK WHERE CHECKFLG IS NULL", Expect::Returns,
                {{"7505051234567", "E-7505051234567"}, {"9001011234567", "E-9001011234567"},
                 {"8001012345678", "E-8001012345678"}, {"5501011234567", "E-5501011234567"},
                 {"6001011111111", "E-6001011111111"}, {"", "ENC-EMPTY01"}}});
  st.push_back({"reset the marks", "UPDATE TV_BASE..TEMP_MAPPING_BAK    SET CHECKFLG = NULL ", Expect::Ok, {{"0"}},
                "SELECT COUNT(*) FROM TV_BASE..TEMP_MAPPING_BAK WHERE CHECKFLG IS NOT NULL"});
  // ---- encryption run
  st.push_back({"CD_PERSON first numbers", OwnUpdate("TV_BASE..CD_PERSON", "PANUM", "TEMPNUM", "PANUM"), Expect::Ok,
                {{"C001", "1", "9001011******", "E-9001011234567", "8001012345678", N},
                 {"C002", "1", "7505051******", "E-7505051234567", "", N},
                 {"C003", "1", "8802021******", "ENC-MASKED01", N, N},
                 {"C003", "2", "8802021******", "", N, N},
                 {"c003 ", "3", "8802021******", "ENC-MASKED03", N, N},
                 {"C004", "1", "123******", "E-123", N, N},
                 {"C005", "1", N, N, N, N},
                 {"C006", "1", "*************", "ENCX", N, N}},
                kPersons});
  st.push_back({"CD_PERSON second numbers; the empty number takes the empty entry",
                OwnUpdate("TV_BASE..CD_PERSON", "INSNUM", "TEMPNUM_1", "INSNUM"), Expect::Ok,
                {{"C001", "8001012******", "E-8001012345678"}, {"C002", "******", "ENC-EMPTY01"}},
                "SELECT CUSCODE, INSNUM, TEMPNUM_1 FROM TV_BASE..CD_PERSON WHERE INSNUM IS NOT NULL ORDER BY CUSCODE"});
  st.push_back({"a second run changes nothing", OwnUpdate("TV_BASE..CD_PERSON", "PANUM", "TEMPNUM", "PANUM"),
                Expect::Ok, {{"9001011******", "E-9001011234567"}},
                "SELECT PANUM, TEMPNUM FROM TV_BASE..CD_PERSON WHERE CUSCODE = 'C001'"});
  for (const char* t : {"TV_BASE..TV_PRES_LOG", "TV_EDIRECE..GI21INS", "TV_EDIRECE..H0251", "TV_EDIRECE..F0403",
                        "TV_EDIRECE..H0241", "TV_EDIRECE..GI01INS", "TV_EDISEND..H0241", "TV_PRES..TEMP_ADD_COMPOS",
                        "TV_PRES..PS_JOJE_MAIN", "TV_PRES..SALE_MAIN", "TV_PRES..BACK_PS_MAIN", "TV_PRES..CD_MONITOR",
                        "TV_PRES..TEMP_ADD_MAIN", "TV_PRES..INS_COMPOS", "TV_PRES..EDI_INS_COMPOS",
                        "TV_PRES..EDI_PS_MAIN"})
    st.push_back({std::string("generic ") + t, Generic(t), Expect::Ok, {}});
  st.push_back({"generic PS_MAIN: a number with a trailing blank matches", Generic("TV_PRES..PS_MAIN"), Expect::Ok,
                {{"P001", "9001011******", "E-9001011234567"},
                 {"P002", "8802021******", "ENC-MASKED02"},
                 {"P003", "9001011******", "E-9001011234567"},
                 {"P004", "8802021******", "ENC3"}},
                "SELECT PRESERIAL, PANUM, TEMPNUM FROM TV_PRES..PS_MAIN ORDER BY PRESERIAL"});
  st.push_back({"the generic tables that had numbers", "SELECT PANUM, TEMPNUM FROM TV_BASE..TV_PRES_LOG UNION ALL "
                                                       "SELECT PANUM, TEMPNUM FROM TV_PRES..INS_COMPOS UNION ALL "
                                                       "SELECT PANUM, TEMPNUM FROM TV_PRES..SALE_MAIN",
                Expect::Returns,
                {{"7505051******", "E-7505051234567"}, {"5501011******", "E-5501011234567"},
                 {"6001011******", "E-6001011111111"}}});
  st.push_back({"PS_NHIC first", OwnUpdate("TV_PRES..PS_NHIC", "PANUM", "TEMPNUM", "PANUM"), Expect::Ok, {}});
  st.push_back({"PS_NHIC second", OwnUpdate("TV_PRES..PS_NHIC", "OPJUMINNO", "TEMPNUM_1", "OPJUMINNO"), Expect::Ok,
                {{"9001011******", "E-9001011234567", "7505051******", "E-7505051234567"}},
                "SELECT PANUM, TEMPNUM, OPJUMINNO, TEMPNUM_1 FROM TV_PRES..PS_NHIC"});
  st.push_back({"EDISEND H010: no mapping, unchanged", OwnUpdate("TV_EDISEND..H010", "AUTHIDNUM", "TEMPNUM", "AUTHIDNUM"),
                Expect::Ok, {{"9999999999999", N}}, "SELECT AUTHIDNUM, TEMPNUM FROM TV_EDISEND..H010"});
  st.push_back({"EDIRECE H010", OwnUpdate("TV_EDIRECE..H010", "AUTHIDNUM", "TEMPNUM", "AUTHIDNUM"), Expect::Ok,
                {{"8001012******", "E-8001012345678"}}, "SELECT AUTHIDNUM, TEMPNUM FROM TV_EDIRECE..H010"});
  st.push_back({"QORA_PRESLP: the assigned column is computed in the derived table",
                OwnUpdate("TV_PRES..QORA_PRESLP", "PANAMEJUMIN", "TEMPNUM", "REPLACE(PANAMEJUMIN,'-','') AS PANAMEJUMIN"),
                Expect::Fails, {{"900101-1234567", N}}, "SELECT PANAMEJUMIN, TEMPNUM FROM TV_PRES..QORA_PRESLP"});
  st.push_back({"QORA_PRESLP second",
                OwnUpdate("TV_PRES..QORA_PRESLP", "INSUREJUMIN", "TEMPNUM_1", "REPLACE(INSUREJUMIN,'-','') AS INSUREJUMIN"),
                Expect::Fails, {{"750505-1234567", N}}, "SELECT INSUREJUMIN, TEMPNUM_1 FROM TV_PRES..QORA_PRESLP"});
  st.push_back({"QORA_DATAINFO",
                OwnUpdate("TV_PRES..QORA_DATAINFO", "PREGNO", "TEMPNUM", "REPLACE(PREGNO,'-','') AS PREGNO"),
                Expect::Fails, {{"900101-1234567", N}}, "SELECT PREGNO, TEMPNUM FROM TV_PRES..QORA_DATAINFO"});
  // ---- normal-data report (before the audits change anything)
  st.push_back({"report query",
                "SELECT CUSCODE, PANAME, PANUM, TEMPNUM FROM TV_BASE..CD_PERSON  WHERE RIGHT(PANUM,6) = '******'    "
                "AND ISNULL(TEMPNUM, '') <> ''    AND PANUM <> '*************' ",
                Expect::Returns,
                {{"C001", "홍길동", "9001011******", "E-9001011234567"},
                 {"C002", "O'Neil", "7505051******", "E-7505051234567"},
                 {"C003", "김철수", "8802021******", "ENC-MASKED01"},
                 {"c003 ", "김철수", "8802021******", "ENC-MASKED03"},
                 {"C004", "이영희", "123******", "E-123"}}});
  st.push_back({"report table drop fails the first time", std::string(names::sql::DropAAA), Expect::Fails, {}});
  st.push_back({"report table", std::string(names::sql::CreateAAA), Expect::Ok, {}});
  st.push_back({"report row with a quote in the name",
                "INSERT INTO TV_BASE..AAA(CUSCODE, PANAME, PANUM, PANUM_1, TEMPNUM) VALUES( " + Q("C002") + "," +
                    Q("O'Neil") + "," + Q("7505051******") + "," + Q("7505051234567") + "," + Q("E-7505051234567") + ")",
                Expect::Ok, {{"C002", "O'Neil", "7505051******", "7505051234567", "E-7505051234567"}},
                "SELECT * FROM TV_BASE..AAA"});
  st.push_back({"a name longer than its column is refused",
                "INSERT INTO TV_BASE..AAA(CUSCODE, PANAME, PANUM, PANUM_1, TEMPNUM) VALUES( " + Q("C009") + "," +
                    Q(std::string(31, 'x')) + "," + Q("") + "," + Q("") + "," + Q("") + ")",
                Expect::Fails, {{"1"}}, "SELECT COUNT(*) FROM TV_BASE..AAA"});
  st.push_back({"31 Hangul characters are refused too, 30 fit",
                "INSERT INTO TV_BASE..AAA(PANAME) VALUES(" + Q("가나다라마바사아자차카타파하가나다라마바사아자차카타파하가나다") + ")",
                Expect::Fails, {{"1"}}, "SELECT COUNT(*) FROM TV_BASE..AAA"});
  st.push_back({"30 Hangul characters fit",
                "INSERT INTO TV_BASE..AAA(PANAME) VALUES(" + Q("가나다라마바사아자차카타파하가나다라마바사아자차카타파하가나") + ")",
                Expect::Ok, {{"2"}}, "SELECT COUNT(*) FROM TV_BASE..AAA"});
  // ---- customer audit, tax-year variant
  st.push_back({"drop the missing scratch table", std::string(names::sql::DropJuminCheck), Expect::Fails, {}});
  st.push_back({"copy: masked records with a value, customers dispensed in the year (codes compare without case and "
                "trailing blanks)",
                "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM, '' AS "
                "CHK           FROM TV_BASE..CD_PERSON          WHERE RIGHT(PANUM, 6) = '******' AND "
                "ISNULL(TEMPNUM,'') <> ''            AND CUSCODE IN(SELECT CUSCODE                             FROM "
                "TV_PRES..PS_MAIN                            WHERE INDATE BETWEEN " +
                    Q("20140101") + " AND " + Q("20141231") + "                           GROUP BY CUSCODE)) AS T1",
                Expect::Ok, {{"C001", "1", ""}, {"C003", "1", ""}, {"c003 ", "3", ""}}, kCheck});
  st.push_back({"index on the customer code", std::string(names::sql::CreateJuminCheckIndexCustomer), Expect::Ok, {}});
  st.push_back({"scratch count", "SELECT COUNT(*) AS CNT FROM TV_BASE..JUMIN_CHECK ", Expect::Returns, {{"3"}}});
  st.push_back({"single-mode read",
                "SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM  FROM TV_BASE..JUMIN_CHECK WHERE RIGHT(PANUM,6) = "
                "'******' AND TEMPNUM IS NOT NULL AND CHK <> '1' ",
                Expect::Returns,
                {{"C001", "1", "20140305", "9001011******", "홍길동", "E-9001011234567"},
                 {"C003", "1", "20140201", "8802021******", "김철수", "ENC-MASKED01"},
                 {"c003 ", "3", "20140101", "8802021******", "김철수", "ENC-MASKED03"}}});
  st.push_back({"mark a row by code and number",
                "UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = " + Q("C003") + "   AND SEQ     = " + Q("1"),
                Expect::Ok, {{"C001", "1", ""}, {"C003", "1", "1"}, {"c003 ", "3", ""}}, kCheck});
  st.push_back({"mark with another case of the code",
                "UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1'  WHERE CUSCODE = " + Q("c001") + "   AND SEQ     = " + Q("1"),
                Expect::Ok, {{"C001", "1", "1"}, {"C003", "1", "1"}, {"c003 ", "3", ""}}, kCheck});
  st.push_back({"paged read sees the unmarked row only",
                "SELECT TOP 10000 CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM  FROM TV_BASE..JUMIN_CHECK WHERE "
                "RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL AND CHK <> '1' ",
                Expect::Returns, {{"c003 ", "3", "20140101", "8802021******", "김철수", "ENC-MASKED03"}}});
  // ---- customer audit, date-range variant
  st.push_back({"drop the scratch table", std::string(names::sql::DropJuminCheck), Expect::Ok, {}});
  st.push_back({"copy: masked records without a value, registered in the range",
                "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT CUSCODE, SEQ, INDATE, PANUM, PANAME, TEMPNUM, '' AS "
                "CHK           FROM TV_BASE..CD_PERSON          WHERE RIGHT(PANUM, 6) = '******' AND "
                "ISNULL(TEMPNUM,'') = ''            AND INDATE BETWEEN " +
                    Q("20140701") + "           AND " + Q("20140731") + "       ) AS T1",
                Expect::Ok, {{"C003", "2", ""}}, kCheck});
  st.push_back({"select-into again fails: the table exists",
                "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT CUSCODE FROM TV_BASE..CD_PERSON) AS T1", Expect::Fails,
                {{"C003", "2", ""}}, kCheck});
  // ---- history view
  st.push_back({"history: customer and dispensing records, oldest first",
                "SELECT SEQ, CUSCODE, PANAME, INDATE, PANUM, TEMPNUM   FROM TV_BASE..CD_PERSON WHERE CUSCODE = " +
                    Q("C003") + " UNION ALL " + "SELECT '1' AS SEQ, CUSCODE, PANAME, INDATE, PANUM, TEMPNUM " +
                    "  FROM TV_PRES..PS_MAIN WHERE CUSCODE = " + Q("C003") + " ORDER BY INDATE",
                Expect::Returns,
                {{"1", "C003", "환자", "20130101", "8802021******", "ENC3"},
                 {"3", "c003 ", "김철수", "20140101", "8802021******", "ENC-MASKED03"},
                 {"1", "C003", "김철수", "20140201", "8802021******", "ENC-MASKED01"},
                 {"2", "C003", "김철수", "20140720", "8802021******", ""},
                 {"1", "C003", "환자", "20141231", "8802021******", "ENC-MASKED02"}}});
  // ---- dispensing audits
  st.push_back({"dispensing: drop", std::string(names::sql::DropJuminCheck), Expect::Ok, {}});
  st.push_back({"dispensing copy, whole table",
                "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM, '' AS CHK "
                "          FROM TV_PRES..PS_MAIN          WHERE RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL      "
                "     ) AS T1 ",
                Expect::Ok, {{"P001", ""}, {"P002", ""}, {"P003", ""}, {"P004", ""}}, kCheckP});
  st.push_back({"index on the record number", std::string(names::sql::CreateJuminCheckIndexDispensing), Expect::Ok, {}});
  st.push_back({"mark by record number", "UPDATE TV_BASE..JUMIN_CHECK SET CHK = '1' WHERE PRESERIAL = " + Q("P002"),
                Expect::Ok, {}});
  st.push_back({"pass query",
                "SELECT PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM  FROM TV_BASE..JUMIN_CHECK WHERE RIGHT(PANUM,6) = "
                "'******' AND TEMPNUM IS NOT NULL AND CHK <> '1' ",
                Expect::Returns,
                {{"P001", "C001", "9001011******", "환자", "E-9001011234567"},
                 {"P003", "C002", "9001011******", "환자", "E-9001011234567"},
                 {"P004", "C003", "8802021******", "환자", "ENC3"}}});
  st.push_back({"dispensing: drop again", std::string(names::sql::DropJuminCheck), Expect::Ok, {}});
  st.push_back({"dispensing copy, dates as quoted texts",
                "SELECT * INTO TV_BASE..JUMIN_CHECK   FROM (SELECT PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM, '' AS CHK "
                "          FROM TV_PRES..PS_MAIN          WHERE RIGHT(PANUM,6) = '******' AND TEMPNUM IS NOT NULL      "
                "     AND INDATE BETWEEN '20140101'           AND '20141231'           ) AS T1 ",
                Expect::Ok, {{"P001", ""}, {"P002", ""}}, kCheckP});
  st.push_back({"date-range read",
                "SELECT PRESERIAL, CUSCODE, PANUM, PANAME, TEMPNUM  FROM TV_BASE..JUMIN_CHECK WHERE RIGHT(PANUM,6) = "
                "'******' AND TEMPNUM IS NOT NULL ",
                Expect::Returns,
                {{"P001", "C001", "9001011******", "환자", "E-9001011234567"},
                 {"P002", "C003", "8802021******", "환자", "ENC-MASKED02"}}});
  st.push_back({"the customer's active record",
                "SELECT * FROM TV_BASE..CD_PERSON WHERE CUSACT = '1' AND CUSCODE = " + Q("C003"), Expect::Returns,
                {{"C003", "1", "김철수", "20140201", "8802021******", "ENC-MASKED01", N, N, "1"}}});
  st.push_back({"restore one dispensing record, unchanged since the audit",
                "UPDATE TV_PRES..PS_MAIN    SET TEMPNUM  = " + Q("ENC-MASKED01") + " WHERE PRESERIAL = " + Q("P002") +
                    " AND PANUM = " + Q("8802021******") + " AND (TEMPNUM = " + Q("ENC-MASKED02") +
                    " OR TEMPNUM = " + Q("ENC-MASKED01") + ")",
                Expect::Ok, {{"P002", "ENC-MASKED01"}},
                "SELECT PRESERIAL, TEMPNUM FROM TV_PRES..PS_MAIN WHERE PRESERIAL = 'P002'"});
  st.push_back({"restore of a record changed since the audit",
                "UPDATE TV_PRES..PS_MAIN    SET TEMPNUM  = " + Q("ENC-X") + " WHERE PRESERIAL = " + Q("P001") +
                    " AND PANUM = " + Q("9001011******") + " AND (TEMPNUM = " + Q("E-OLD") + " OR TEMPNUM = " +
                    Q("ENC-X") + ")",
                Expect::Ok, {{"P001", "E-9001011234567"}},
                "SELECT PRESERIAL, TEMPNUM FROM TV_PRES..PS_MAIN WHERE PRESERIAL = 'P001'"});
  st.push_back({"dispensing: drop at the end", std::string(names::sql::DropJuminCheck), Expect::Ok, {}});
  // ---- repair
  st.push_back({"repair every record of the customer code with the value's number",
                "UPDATE TV_BASE..CD_PERSON    SET TEMPNUM = " + Q("E-GOOD") + " WHERE CUSCODE = " + Q("C003") +
                    " AND LEFT(REPLACE(PANUM,'-',''),7) = " + Q("8802021"),
                Expect::Ok,
                {{"C003", "1", "E-GOOD"}, {"C003", "2", "E-GOOD"}, {"c003 ", "3", "E-GOOD"}},
                "SELECT CUSCODE, SEQ, TEMPNUM FROM TV_BASE..CD_PERSON WHERE CUSCODE = 'C003' ORDER BY SEQ"});
  // ---- key store
  st.push_back({"key table", "SELECT * FROM TV_BASE..HIRAEncryption", Expect::Returns, {{"KEYTEXT 01"}}});
  return st;
}

// Every row of the open query, read to its end.
Rows Texts(TADOQuery& q) {
  Rows out;
  for (; !q.Eof(); q.Next()) {
    std::vector<std::string> r;
    for (const auto& c : q.CurrentRow()) r.push_back(c ? *c : N);
    out.push_back(std::move(r));
  }
  return out;
}

TEST(Statements, EveryStatementOfTheToolRunsWithItsMeaning) {
  test::TestStore store;
  Seed(store);
  Session s;
  s.Ado_Qry.Connection = &store.Connection();
  s.Ado_Exec.Connection = &store.Connection();
  for (const Step& step : Steps()) {
    SCOPED_TRACE(step.what + "\n" + step.sql);
    if (step.expect == Expect::Returns) {
      ASSERT_TRUE(OpenQuery(s.Ado_Qry, step.sql)) << s.Ado_Qry.LastError();
      EXPECT_EQ(Texts(s.Ado_Qry), step.rows);
      continue;
    }
    const bool ok = ExecQuery(s.Ado_Exec, step.sql);
    if (step.expect == Expect::Ok) ASSERT_TRUE(ok) << s.Ado_Exec.LastError();
    else EXPECT_FALSE(ok);
    if (!step.check.empty()) {
      ASSERT_TRUE(OpenQuery(s.Ado_Qry, step.check)) << s.Ado_Qry.LastError();
      EXPECT_EQ(Texts(s.Ado_Qry), step.rows);
    }
  }
}

}  // namespace
}  // namespace jc::db
