#pragma once
// Windows opened once per command (several may be open) keep a module global that refers to
// the one opened last, and clear it when that one goes.
#include <QObject>

template <class Form>
void KeepAsLatest(Form* form, Form*& latest)
{
    latest = form;
    QObject::connect(form, &QObject::destroyed, [form, &latest] {
        if (latest == form) latest = nullptr;
    });
}
