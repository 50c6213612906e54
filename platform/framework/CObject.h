// The root of the framework's classes: a polymorphic base that is never copied.
#pragma once

class CObject {
public:
    virtual ~CObject() = default;

    CObject(CObject const&) = delete;
    CObject& operator=(CObject const&) = delete;

protected:
    CObject() = default;
};
