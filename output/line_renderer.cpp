// The choice of the renderer by the output layout.
#include "output/line_renderer.h"

#include "output/csv_renderer.h"
#include "output/json_renderer.h"
#include "output/text_renderer.h"

std::unique_ptr<CLineRenderer> CreateLineRenderer(const CColumnList& columns, const COutputSettings& settings)
{
    switch (settings.m_eLayout) {
    case LAYOUT_JSON:
        return std::unique_ptr<CLineRenderer>(new CJsonRenderer(columns, settings.m_eIpFormat));
    case LAYOUT_CSV:
        return std::unique_ptr<CLineRenderer>(new CCsvRenderer(columns, settings.m_eIpFormat));
    case LAYOUT_TEXT:
        break;
    }
    return std::unique_ptr<CLineRenderer>(new CTextRenderer(columns, settings));
}
