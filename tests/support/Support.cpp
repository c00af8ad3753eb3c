namespace jc::test {}
