// Run-time classes: kind tests, creation by class name, message maps, exceptions.
#include "framework/object.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class CShape : public CObject {
    DECLARE_DYNAMIC(CShape)
};

class CCircle : public CShape {
    DECLARE_DYNCREATE(CCircle)

  public:
    int m_nRadius = 7;
};

class CCommands : public CCmdTarget {
    DECLARE_DYNCREATE(CCommands)

  public:
    int m_nHits = 0;
    void OnRefresh() { ++m_nHits; }
    void OnReset() { m_nHits = 0; }
    DECLARE_MESSAGE_MAP()
};

class CMoreCommands : public CCommands {
  public:
    int m_nOwn = 0;
    void OnOwn() { ++m_nOwn; }
    DECLARE_MESSAGE_MAP()
};

class CEmptyMap : public CCmdTarget {
    DECLARE_MESSAGE_MAP()
};

}  // namespace

IMPLEMENT_DYNAMIC(CShape, CObject)
IMPLEMENT_DYNCREATE(CCircle, CShape)
IMPLEMENT_DYNCREATE(CCommands, CCmdTarget)

BEGIN_MESSAGE_MAP(CCommands, CCmdTarget)
ON_COMMAND(100, OnRefresh)
ON_COMMAND(101, OnReset)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CMoreCommands, CCommands)
ON_COMMAND(200, OnOwn)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CEmptyMap, CCmdTarget)
END_MESSAGE_MAP()

namespace {

TEST(RuntimeClass, KindFollowsTheBaseChainAndNamesCreateObjects) {
    CCircle circle;
    EXPECT_TRUE(circle.IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_TRUE(circle.IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_TRUE(circle.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(circle.IsKindOf(RUNTIME_CLASS(CCmdTarget)));
    EXPECT_STREQ(circle.GetRuntimeClass()->m_lpszClassName, "CCircle");
    CObject* base = &circle;
    EXPECT_EQ(base->GetRuntimeClass(), RUNTIME_CLASS(CCircle));

    CRuntimeClass* cls = CRuntimeClass::FromName("CCircle");
    ASSERT_EQ(cls, RUNTIME_CLASS(CCircle));
    CObject* obj = cls->CreateObject();
    ASSERT_NE(obj, nullptr);
    ASSERT_TRUE(obj->IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_EQ(static_cast<CCircle*>(obj)->m_nRadius, 7);
    delete obj;

    CObject* cmd = CRuntimeClass::CreateObject("CCommands");
    ASSERT_NE(cmd, nullptr);
    EXPECT_TRUE(cmd->IsKindOf(RUNTIME_CLASS(CCmdTarget)));
    delete cmd;

    // Known but not creatable, and unknown names.
    EXPECT_EQ(CRuntimeClass::FromName("CShape"), RUNTIME_CLASS(CShape));
    EXPECT_EQ(CRuntimeClass::CreateObject("CShape"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("ccircle"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CCmdTarget"), RUNTIME_CLASS(CCmdTarget));
}

TEST(MessageMap, CommandsRouteThroughDerivedAndBaseMaps) {
    CMoreCommands target;
    EXPECT_TRUE(target.OnCmdMsg(100));
    EXPECT_TRUE(target.OnCmdMsg(100));
    EXPECT_EQ(target.m_nHits, 2);
    EXPECT_TRUE(target.OnCmdMsg(200));
    EXPECT_EQ(target.m_nOwn, 1);
    EXPECT_TRUE(target.OnCmdMsg(101));
    EXPECT_EQ(target.m_nHits, 0);
    EXPECT_FALSE(target.OnCmdMsg(102));

    CEmptyMap empty;
    EXPECT_FALSE(empty.OnCmdMsg(100));
}

}  // namespace
