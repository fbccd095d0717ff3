#include "current_operator.h"

CurrentOperator& currentOperator()
{
    static CurrentOperator oper;
    return oper;
}
