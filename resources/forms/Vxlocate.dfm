object vxLocateDlg: TvxLocateDlg
  Left = 250
  Top = 150
  BorderStyle = bsDialog
  Caption = 'Locate Value'
  ClientHeight = 238
  ClientWidth = 212
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = [fsBold]
  Position = poScreenCenter
  PixelsPerInch = 96
  OnShow = FormShow
  object FieldValueGroup: TGroupBox
    Left = 8
    Top = 4
    Width = 196
    Height = 46
    Caption = 'Field &Value'
    TabOrder = 0
    object SearchValue: TEdit
      Left = 8
      Top = 17
      Width = 180
      Height = 21
      TabOrder = 0
    end
  end
  object SearchTypeGroup: TGroupBox
    Left = 8
    Top = 54
    Width = 196
    Height = 100
    Caption = '&Search Type'
    TabOrder = 1
    object CaseSensitiveCheckBox: TCheckBox
      Left = 8
      Top = 19
      Width = 180
      Height = 17
      Caption = '&Case-sensitive'
      TabOrder = 0
    end
    object SeparatorPanel: TPanel
      Left = 8
      Top = 39
      Width = 180
      Height = 2
      BevelOuter = bvLowered
      TabOrder = 1
    end
    object ExactMatchBtn: TRadioButton
      Left = 8
      Top = 44
      Width = 180
      Height = 17
      Caption = '&Exact Match'
      TabOrder = 2
    end
    object PartialMatchStartBtn: TRadioButton
      Left = 8
      Top = 61
      Width = 180
      Height = 17
      Caption = '&Partial Match at Beginning'
      Checked = True
      TabOrder = 3
      TabStop = True
    end
    object PartialMatchAnyBtn: TRadioButton
      Left = 8
      Top = 78
      Width = 180
      Height = 17
      Caption = 'Partial Match &Anywhere'
      TabOrder = 4
    end
  end
  object FieldsGroup: TGroupBox
    Left = 8
    Top = 158
    Width = 196
    Height = 46
    Caption = '&Fields'
    TabOrder = 2
    object FieldNameComboBox: TComboBox
      Left = 8
      Top = 17
      Width = 180
      Height = 21
      Style = csDropDownList
      Sorted = True
      TabOrder = 0
      OnChange = FieldNameComboBoxChange
      OnEnter = FieldNameComboBoxEnter
      OnExit = FieldNameComboBoxExit
      OnKeyDown = FieldNameComboBoxKeyDown
    end
  end
  object FirstButton: TButton
    Left = 8
    Top = 208
    Width = 58
    Height = 27
    Caption = 'Fi&rst'
    TabOrder = 3
    OnClick = FirstButtonClick
  end
  object NextButton: TButton
    Left = 70
    Top = 208
    Width = 58
    Height = 27
    Caption = '&Next'
    Default = True
    TabOrder = 4
    OnClick = NextButtonClick
  end
end
