namespace jc::audit {}
