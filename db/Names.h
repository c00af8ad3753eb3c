#pragma once
// Every database, table and column name the tool uses, and the statements
// that create and drop its work tables, written once. Tables are named with
// three parts and an empty schema part ("TV_BASE..CD_PERSON") because the
// connection's current database is master.
#include <string_view>

namespace jc::db::names {

// Databases.
inline constexpr std::string_view TV_BASE = "TV_BASE";
inline constexpr std::string_view TV_PRES = "TV_PRES";
inline constexpr std::string_view TV_EDIRECE = "TV_EDIRECE";
inline constexpr std::string_view TV_EDISEND = "TV_EDISEND";
inline constexpr std::string_view MASTER = "master";

// Pharmacy tables, qualified.
inline constexpr std::string_view CD_PERSON = "TV_BASE..CD_PERSON";
inline constexpr std::string_view TV_PRES_LOG = "TV_BASE..TV_PRES_LOG";
inline constexpr std::string_view HIRAEncryption = "TV_BASE..HIRAEncryption";

inline constexpr std::string_view PS_MAIN = "TV_PRES..PS_MAIN";
inline constexpr std::string_view INS_COMPOS = "TV_PRES..INS_COMPOS";
inline constexpr std::string_view SALE_MAIN = "TV_PRES..SALE_MAIN";
inline constexpr std::string_view TEMP_ADD_COMPOS = "TV_PRES..TEMP_ADD_COMPOS";
inline constexpr std::string_view PS_JOJE_MAIN = "TV_PRES..PS_JOJE_MAIN";
inline constexpr std::string_view BACK_PS_MAIN = "TV_PRES..BACK_PS_MAIN";
inline constexpr std::string_view CD_MONITOR = "TV_PRES..CD_MONITOR";
inline constexpr std::string_view TEMP_ADD_MAIN = "TV_PRES..TEMP_ADD_MAIN";
inline constexpr std::string_view EDI_INS_COMPOS = "TV_PRES..EDI_INS_COMPOS";
inline constexpr std::string_view PS_NHIC = "TV_PRES..PS_NHIC";
inline constexpr std::string_view EDI_PS_MAIN = "TV_PRES..EDI_PS_MAIN";
inline constexpr std::string_view QORA_PRESLP = "TV_PRES..QORA_PRESLP";
inline constexpr std::string_view QORA_DATAINFO = "TV_PRES..QORA_DATAINFO";

inline constexpr std::string_view EDIRECE_GI21INS = "TV_EDIRECE..GI21INS";
inline constexpr std::string_view EDIRECE_H0251 = "TV_EDIRECE..H0251";
inline constexpr std::string_view EDIRECE_F0403 = "TV_EDIRECE..F0403";
inline constexpr std::string_view EDIRECE_H0241 = "TV_EDIRECE..H0241";
inline constexpr std::string_view EDIRECE_GI01INS = "TV_EDIRECE..GI01INS";
inline constexpr std::string_view EDIRECE_H010 = "TV_EDIRECE..H010";
inline constexpr std::string_view EDISEND_H0241 = "TV_EDISEND..H0241";
inline constexpr std::string_view EDISEND_H010 = "TV_EDISEND..H010";

// Work tables of the tool, all in TV_BASE.
inline constexpr std::string_view TEMP_MAPPING = "TV_BASE..TEMP_MAPPING";
inline constexpr std::string_view TEMP_MAPPING_BAK = "TV_BASE..TEMP_MAPPING_BAK";
inline constexpr std::string_view JUMIN_CHECK = "TV_BASE..JUMIN_CHECK";
inline constexpr std::string_view AAA = "TV_BASE..AAA";

// Columns.
namespace col {
inline constexpr std::string_view CUSCODE = "CUSCODE";
inline constexpr std::string_view SEQ = "SEQ";
inline constexpr std::string_view PANAME = "PANAME";
inline constexpr std::string_view INDATE = "INDATE";
inline constexpr std::string_view PANUM = "PANUM";
inline constexpr std::string_view TEMPNUM = "TEMPNUM";
inline constexpr std::string_view INSNUM = "INSNUM";
inline constexpr std::string_view TEMPNUM_1 = "TEMPNUM_1";
inline constexpr std::string_view CUSACT = "CUSACT";
inline constexpr std::string_view PRESERIAL = "PRESERIAL";
inline constexpr std::string_view OPJUMINNO = "OPJUMINNO";
inline constexpr std::string_view PANAMEJUMIN = "PANAMEJUMIN";
inline constexpr std::string_view INSUREJUMIN = "INSUREJUMIN";
inline constexpr std::string_view PREGNO = "PREGNO";
inline constexpr std::string_view AUTHIDNUM = "AUTHIDNUM";
inline constexpr std::string_view Encrypt = "Encrypt";   // key table
inline constexpr std::string_view ENCRYPT = "ENCRYPT";   // mapping table
inline constexpr std::string_view CHECKFLG = "CHECKFLG";
inline constexpr std::string_view UPDATE_STEP = "UPDATE_STEP";
inline constexpr std::string_view CHK = "CHK";
inline constexpr std::string_view PANUM_1 = "PANUM_1";
inline constexpr std::string_view CNT = "CNT";
}  // namespace col

// Work-table statements, exactly as the tool sends them.
namespace sql {
inline constexpr std::string_view CreateTempMapping =
    " CREATE TABLE TV_BASE..TEMP_MAPPING(PANUM NVARCHAR(13) NULL, ENCRYPT NVARCHAR(50) NULL, "
    "UPDATE_STEP NVARCHAR(2) NULL) ";
inline constexpr std::string_view DropTempMappingBak = "DROP TABLE TV_BASE..TEMP_MAPPING_BAK";
inline constexpr std::string_view CreateTempMappingBak =
    "CREATE TABLE TV_BASE..TEMP_MAPPING_BAK(PANUM NVARCHAR(13) NULL, ENCRYPT NVARCHAR(50) NULL, "
    "CHECKFLG NVARCHAR(1) NULL) ";
inline constexpr std::string_view CreateTempMappingIndex =
    "CREATE NONCLUSTERED INDEX [IX_TEMP_MAPPING] ON TV_BASE..TEMP_MAPPING_BAK ([PANUM] ASC  )"
    "WITH (PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, "
    "IGNORE_DUP_KEY = OFF, DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS  = ON, "
    "ALLOW_PAGE_LOCKS  = ON) ON [PRIMARY]";
inline constexpr std::string_view DropJuminCheck = "DROP TABLE TV_BASE..JUMIN_CHECK ";
inline constexpr std::string_view DropAAA = "DROP TABLE TV_BASE..AAA ";
inline constexpr std::string_view CreateAAA =
    "CREATE TABLE TV_BASE..AAA(CUSCODE NVARCHAR(20) NULL, PANAME NVARCHAR(30) NULL, "
    "PANUM NVARCHAR(13) NULL, PANUM_1 NVARCHAR(13) NULL, TEMPNUM NVARCHAR(60) NULL)";
// The index of the customer audit's scratch table (on CUSCODE; one tab after "( ").
inline constexpr std::string_view CreateJuminCheckIndexCustomer =
    "CREATE NONCLUSTERED INDEX [IX_JUMIN_CHECK] ON TV_BASE..JUMIN_CHECK ( \t[CUSCODE] ASC    )"
    "WITH (PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, "
    "IGNORE_DUP_KEY = OFF, DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS  = ON, "
    "ALLOW_PAGE_LOCKS  = ON) ON [PRIMARY] ";
// The index of the dispensing audits' scratch table (on PRESERIAL; one tab after "(").
inline constexpr std::string_view CreateJuminCheckIndexDispensing =
    "CREATE NONCLUSTERED INDEX [IX_JUMIN_CHECK] ON TV_BASE..JUMIN_CHECK(\t       [PRESERIAL] ASC  "
    "       )WITH (PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, "
    "IGNORE_DUP_KEY = OFF, DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS  = ON, "
    "ALLOW_PAGE_LOCKS  = ON) ON [PRIMARY] ";
}  // namespace sql

}  // namespace jc::db::names
