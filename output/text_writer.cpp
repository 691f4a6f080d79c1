// The text writer: lines from the layout's renderer, written one by one.
#include "output/text_writer.h"

#include "output/column_list.h"

CTextWriter::CTextWriter(const CDynArray<CSString>& aOutputs, const COutputSettings& settings, FILE* pStream,
                         size_t nBufferSize)
    : CBinaryWriter(pStream, nBufferSize),
      m_pRenderer(CreateLineRenderer(CColumnList(aOutputs), settings))
{
}

CTextWriter::~CTextWriter() = default;

bool CTextWriter::Begin()
{
    m_line.Clear();
    if (!m_pRenderer->RenderHeader(m_line))
        return true;
    Write(m_line.GetData(), m_line.GetLength());
    return true;
}

bool CTextWriter::End()
{
    return true;
}

bool CTextWriter::WriteEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway)
{
    m_line.Clear();
    if (!m_pRenderer->RenderEntry(entry, record, pszGateway, m_line))
        return true;
    return Write(m_line.GetData(), m_line.GetLength());
}
