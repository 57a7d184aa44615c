#include "app/CommandOptions.h"

namespace vorlan::app {

std::variant<CommandOptions, QString> readOptions(const QStringList& args, qsizetype from,
                                                  const QStringList& valued, const QStringList& flags) {
    CommandOptions out;
    for (qsizetype i = from; i < args.size(); ++i) {
        QString name = args.at(i);
        QString value;
        bool hasValue = false;
        if (const qsizetype eq = name.indexOf(u'='); name.startsWith(QLatin1String("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasValue = true;
        }
        if (name.startsWith(QLatin1String("--password")))
            return QStringLiteral("密码不能写在命令行上，请从标准输入送入（一行）。");
        const bool flag = flags.contains(name);
        if (!flag && !valued.contains(name))
            return QStringLiteral("未知的选项“%1”。").arg(args.at(i));
        if (out.values.contains(name))
            return QStringLiteral("选项“%1”重复了。").arg(name);
        if (flag && hasValue)
            return QStringLiteral("选项“%1”不带值。").arg(name);
        if (!flag && !hasValue) {
            if (i + 1 >= args.size())
                return QStringLiteral("选项“%1”缺少值。").arg(name);
            value = args.at(++i);
        }
        out.values.insert(name, value);
    }
    return out;
}

} // namespace vorlan::app
