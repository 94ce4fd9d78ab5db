#pragma once
// Every control carries its component name as object name and a name for assistive tools
// (its caption, or its hint where it shows only a picture).
#include <QString>
#include <QWidget>
#include <string>

inline QString QText(const std::string& text) { return QString::fromStdString(text); }

template <class Widget>
Widget* Named(Widget* widget, const char* componentName, const QString& accessibleName)
{
    widget->setObjectName(componentName);
    widget->setAccessibleName(accessibleName);
    return widget;
}

// A caption shown and announced alike.
template <class Captioned>
void SetCaption(Captioned* control, const std::string& caption)
{
    control->setText(QText(caption));
    control->setAccessibleName(QText(caption));
}
