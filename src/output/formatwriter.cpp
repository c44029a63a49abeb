#include "output/formatwriter.h"

namespace quodlin::exporting {

void FormatWriter::loadRecord()
{
    // Once, the first time: a writer may narrow m_fields in begin().
    if (m_slots.size() != m_fields.size()) {
        m_slots.resize(m_fields.size());
        for (const DbField *f : m_fields) {
            m_cellOf.push_back(size_t(f->index()));
            m_calculated.push_back(f->isCalculated());
        }
    }
    m_row = m_given ? m_given : m_query->currentCells();
    m_direct = m_row != nullptr;
    if (m_direct)
        return;
    m_own.clear();
    for (const DbField *f : m_fields)
        m_own.addVariant(f->value());
    m_row = &m_own;
}

} // namespace quodlin::exporting
