// CNodeResource: a scene-graph node (first-child / next-sibling tree) with its
// transform, enabled flag and property list, and the update and render walks.
// It does not own its properties (they are registered resources) or its children.
// Each node indexes its children by name, so a path is resolved in time linear
// in its length, not in the number of siblings.
#pragma once
#include "scene/Resource.h"

#include <memory>
#include <unordered_map>
#include <vector>

class CProperty;
class CTransform;
class CRenderer;

class CNodeResource : public CResource {
public:
    // The renderer supplies the transform (its CreateTransform) and receives pushes and pops.
    CNodeResource(std::string name, CTransform* transform, CRenderer* renderer);
    ~CNodeResource() override;

    // Both walks visit siblings in attachment order (oldest first), each with its
    // subtree before the next; a disabled node skips itself and its subtree.
    virtual void Update(float dt);
    virtual void Render();

    // The first segment names this node or one of its later siblings (the newest
    // of that name wins, as the chain runs newest first); the rest is resolved
    // among that node's children the same way.
    CNodeResource* FindByPath(const std::string& path);
    // Links this node as the parent's first child.
    void AttachTo(CNodeResource* parent);
    void AddProperty(CProperty* property) { m_Properties.push_back(property); }

    bool IsEnabled() const { return m_bEnabled; }
    void SetEnabled(bool enabled) { m_bEnabled = enabled; }
    CNodeResource* GetParent() const { return m_pParent; }
    CNodeResource* GetFirstChild() const { return m_pFirstChild; }
    CNodeResource* GetNextSibling() const { return m_pNextSibling; }
    CTransform* GetTransform() const { return m_pTransform.get(); }
    const std::vector<CProperty*>& GetProperties() const { return m_Properties; }

private:
    void UpdateSelf(float dt);
    void RenderSelf();
    // This node or a later sibling named so: the first such in the chain.
    CNodeResource* FindInChain(const std::string& name);

    bool m_bEnabled = true;
    CNodeResource* m_pParent = nullptr;
    CNodeResource* m_pFirstChild = nullptr;
    CNodeResource* m_pNextSibling = nullptr;
    std::unique_ptr<CTransform> m_pTransform;
    std::vector<CProperty*> m_Properties;
    // Name -> the newest child of that name (the first in the chain).
    std::unordered_map<std::string, CNodeResource*> m_ChildByName;
    CRenderer* m_pRenderer;
};
