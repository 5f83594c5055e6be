object TestForm: TTestForm
  Caption = 'Test ''form'''#13#10'second'
  Color = clRed
  OnShow = FormShow
  object Panel1: TTestPanel
    Align = alLeft
    Anchors = [akLeft, akTop]
    Width = 95
    object Button1: TTestButton
      Caption = 'Create ' +
        'Tree'
      Width = $20
      Ratio = 1.25
      Buddy = Button2
      Font.Style = [fsBold]
      Font.Size = -14
      Font.Data = { 0A 0b FF }
      OnClick = Button1Click
      Items = <
        item
          Caption = 'first'
          Value = 1
        end
        item
          Caption = #1041#1086#1088#1080#1089
          Value = 2
        end>
    end
  end
  object Button2: TTestButton
    Caption = 'Other'
    Lines.Strings = (
      'first line'
      'second, with ''quotes'''
      '')
    OnClick = Button1Click
    Enabled = False
  end
end
