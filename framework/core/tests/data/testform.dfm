object TestForm: TTestForm
end
