// Node walks. Sibling chains are walked with an explicit list rather than by
// recursion, so a parent with tens of thousands of children cannot exhaust the
// stack; only the depth of the tree recurses.
#include "scene/NodeResource.h"

#include "render/Renderer.h"
#include "scene/Property.h"
#include "scene/Transform.h"

namespace {
// One shared scratch list for every nesting level: each walk appends its chain
// after the entries of the walks above it and trims back when done, so the
// steady state allocates nothing.
std::vector<CNodeResource*>& Scratch()
{
    static thread_local std::vector<CNodeResource*> list;
    return list;
}

template <typename Visit>
void WalkChainOldestFirst(CNodeResource* head, Visit visit)
{
    std::vector<CNodeResource*>& list = Scratch();
    const size_t base = list.size();
    for (CNodeResource* n = head; n; n = n->GetNextSibling())
        list.push_back(n);
    // The chain runs newest to oldest; each node's later siblings come first.
    for (size_t i = list.size(); i > base; --i)
        visit(list[i - 1]);
    list.resize(base);
}
} // namespace

CNodeResource::CNodeResource(std::string name, CTransform* transform, CRenderer* renderer)
    : CResource(RESOURCE_NODE, std::move(name)), m_pTransform(transform), m_pRenderer(renderer)
{
}

CNodeResource::~CNodeResource() = default;

void CNodeResource::AttachTo(CNodeResource* parent)
{
    m_pParent = parent;
    m_pNextSibling = parent->m_pFirstChild;
    parent->m_pFirstChild = this;
    parent->m_ChildByName[GetName()] = this;
}

void CNodeResource::Update(float dt)
{
    WalkChainOldestFirst(this, [dt](CNodeResource* n) { n->UpdateSelf(dt); });
}

void CNodeResource::Render()
{
    WalkChainOldestFirst(this, [](CNodeResource* n) { n->RenderSelf(); });
}

void CNodeResource::UpdateSelf(float dt)
{
    if (!m_bEnabled)
        return;
    if (m_pTransform)
        m_pTransform->Update(dt);
    m_pRenderer->PushTransform(m_pTransform.get());
    // Indexed loops: a property may not add properties, but stay safe if one does.
    for (size_t i = 0; i < m_Properties.size(); ++i)
        m_Properties[i]->PreUpdate(dt);
    for (size_t i = 0; i < m_Properties.size(); ++i)
        m_Properties[i]->Update(dt);
    for (size_t i = 0; i < m_Properties.size(); ++i)
        m_Properties[i]->PostUpdate(dt);
    if (m_pFirstChild)
        m_pFirstChild->Update(dt);
    m_pRenderer->PopTransform();
}

void CNodeResource::RenderSelf()
{
    if (!m_bEnabled)
        return;
    for (size_t i = 0; i < m_Properties.size(); ++i)
        m_Properties[i]->PreRender();
    for (size_t i = 0; i < m_Properties.size(); ++i)
        m_Properties[i]->Render();
    for (size_t i = 0; i < m_Properties.size(); ++i)
        m_Properties[i]->PostRender();
    if (m_pFirstChild)
        m_pFirstChild->Render();
}

CNodeResource* CNodeResource::FindInChain(const std::string& name)
{
    // The parent's index covers the whole chain when this node heads it.
    if (m_pParent && m_pParent->m_pFirstChild == this) {
        const auto it = m_pParent->m_ChildByName.find(name);
        return it == m_pParent->m_ChildByName.end() ? nullptr : it->second;
    }
    for (CNodeResource* n = this; n; n = n->m_pNextSibling)
        if (n->GetName() == name)
            return n;
    return nullptr;
}

CNodeResource* CNodeResource::FindByPath(const std::string& path)
{
    CNodeResource* chain = this;
    size_t start = 0;
    while (chain) {
        const size_t end = path.find('\\', start);
        CNodeResource* n = chain->FindInChain(path.substr(start, end == std::string::npos ? end : end - start));
        if (!n || end == std::string::npos)
            return n;
        chain = n->m_pFirstChild;
        start = end + 1;
    }
    return nullptr;
}
