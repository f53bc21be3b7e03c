#include "data/referencerules.h"

#include "data/datamodule.h"

namespace kv {

namespace {

bool blank(const Value &v)
{
    if (v.isNull())
        return true;
    return v.toText().find_first_not_of(" \t") == std::string::npos;
}

} // namespace

void installReferenceRules(DataModule &dm)
{
    DataModule *m = &dm;

    Table &cls = dm.table(TableId::Class);
    cls.beforeInsert = [m](Table &) {
        m->prompter().error(kMsgClassInsert);
        return false;
    };
    cls.beforeDelete = [m](Table &) {
        m->prompter().error(kMsgClassDelete);
        return false;
    };

    // A name of blanks is as good as no name: it could never be told from another in a list.
    dm.table(TableId::ObjName).beforePost = [m](Table &t) {
        if (blank(t.value("ObjName"))) {
            m->prompter().error(kMsgNameRequired);
            return false;
        }
        return true;
    };

    dm.table(TableId::SProves).beforePost = [m](Table &t) {
        if (t.isNull("Lot") || t.isNull("Ldo") || t.isNull("F")) {
            m->prompter().error(kMsgSagAllFields);
            return false;
        }
        if (t.asDouble("Ldo") <= 0 || t.asDouble("F") <= 0) {
            m->prompter().error(kMsgSagPositive);
            return false;
        }
        if (t.asDouble("Lot") >= t.asDouble("Ldo")) {
            m->prompter().error(kMsgSagOrder);
            return false;
        }
        return true;
    };
}

} // namespace kv
